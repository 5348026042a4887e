#!/usr/bin/env bash
# Prints a SOAP 1.2 GetDeviceInformation request signed with a WS-Security UsernameToken
# (PasswordDigest = Base64(SHA-1(nonce + created + password))), for poking a device or
# onvif-sim by hand:
#   Sim/tools/wsse-envelope.sh admin admin123 | curl -s -H 'Content-Type: application/soap+xml' \
#       --data-binary @- http://127.0.0.1:8080/onvif/device_service
# Usage: wsse-envelope.sh USER PASSWORD [CLOCK_OFFSET_SECONDS]
set -euo pipefail
user=${1:?user}
password=${2:?password}
offset=${3:-0}

nonce_file=$(mktemp)
trap 'rm -f "$nonce_file"' EXIT
openssl rand 16 > "$nonce_file"
created=$(date -u -d "@$(( $(date +%s) + offset ))" +%Y-%m-%dT%H:%M:%SZ)
nonce=$(base64 -w0 < "$nonce_file")
digest=$( { cat "$nonce_file"; printf '%s%s' "$created" "$password"; } | openssl sha1 -binary | base64 -w0)

cat <<XML
<?xml version="1.0" encoding="UTF-8"?>
<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"
  xmlns:wsse="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd"
  xmlns:wsu="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd"
  xmlns:tds="http://www.onvif.org/ver10/device/wsdl">
 <s:Header><wsse:Security><wsse:UsernameToken>
  <wsse:Username>$user</wsse:Username>
  <wsse:Password Type="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest">$digest</wsse:Password>
  <wsse:Nonce EncodingType="http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary">$nonce</wsse:Nonce>
  <wsu:Created>$created</wsu:Created>
 </wsse:UsernameToken></wsse:Security></s:Header>
 <s:Body><tds:GetDeviceInformation/></s:Body>
</s:Envelope>
XML
