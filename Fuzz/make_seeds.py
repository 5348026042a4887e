#!/usr/bin/env python3
"""Writes the small seed corpora in Fuzz/corpus/<target>/ from the tests' golden cases and
the simulator's media clips. Run it again after changing a case; the output is committed."""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "Fuzz", "corpus")


def records(*items):
    """The targets' record framing: a 16-bit big-endian length, then the bytes."""
    out = b""
    for item in items:
        if isinstance(item, str):
            item = item.encode()
        out += struct.pack(">H", len(item)) + item
    return out


def rtp(pt, seq, ts, payload, marker=False, ext=None):
    first = 0x80 | (0x10 if ext else 0)
    head = struct.pack(">BBHII", first, (0x80 if marker else 0) | pt, seq & 0xFFFF, ts, 0x1234)
    if ext:
        profile, data = ext
        head += struct.pack(">HH", profile, len(data) // 4) + data
    return head + payload


def nal_units(path, limit):
    data = open(os.path.join(ROOT, "Sim", "media", path), "rb").read()
    units, i = [], 0
    starts = [j for j in range(len(data) - 3) if data[j:j + 3] == b"\x00\x00\x01"]
    for k, s in enumerate(starts[:limit]):
        end = starts[k + 1] if k + 1 < len(starts) else len(data)
        unit = data[s + 3:end].rstrip(b"\x00")
        if unit:
            units.append(unit)
    return units


def write(target, name, data):
    os.makedirs(os.path.join(OUT, target), exist_ok=True)
    with open(os.path.join(OUT, target, name), "wb") as f:
        f.write(data)


def nal_packets(units, header_size, fu_header, aggregate_header):
    """Small units whole, larger ones (cut to 300 bytes) as fragments, then three small
    units aggregated in one packet."""
    pkts, seq = [], 1
    for unit in units:
        if len(unit) <= 300:
            pkts.append(rtp(96, seq, 3000, unit, marker=True))
            seq += 1
            continue
        body = unit[header_size:header_size + 300]
        chunks = [body[i:i + 100] for i in range(0, len(body), 100)]
        for n, chunk in enumerate(chunks):
            last = n == len(chunks) - 1
            flags = (0x80 if n == 0 else 0) | (0x40 if last else 0)
            pkts.append(rtp(96, seq, 3000, fu_header(unit, flags) + chunk, marker=last))
            seq += 1
    small = [u for u in units if len(u) < 60][:3]
    pkts.append(rtp(96, seq, 6000, aggregate_header + b"".join(struct.pack(">H", len(u)) + u for u in small),
                    marker=True))
    return pkts


def h264_packets(units):
    # FU-A: indicator (F NRI 28), header (S E type); STAP-A is type 24.
    return nal_packets(units, 1, lambda u, f: bytes([(u[0] & 0xE0) | 28, f | (u[0] & 0x1F)]), b"\x18")


def h265_packets(units):
    # FU: payload header of type 49, FU header (S E type); AP is type 48.
    return nal_packets(units, 2, lambda u, f: bytes([(u[0] & 0x81) | (49 << 1), u[1], f | ((u[0] >> 1) & 0x3F)]),
                       bytes([48 << 1, 1]))


def main():
    sdp_camera = ("v=0\r\no=- 1 1 IN IP4 192.168.1.10\r\ns=Media Presentation\r\nc=IN IP4 0.0.0.0\r\nb=AS:5100\r\n"
                  "t=0 0\r\na=control:*\r\na=range:npt=0-\r\nm=video 0 RTP/AVP 96\r\nb=AS:5000\r\n"
                  "a=control:trackID=1\r\na=rtpmap:96 H264/90000\r\na=fmtp:96 profile-level-id=420029; "
                  "packetization-mode=1; sprop-parameter-sets=Z0IAHtoLBLI=,aM48gA==\r\na=recvonly\r\n"
                  "m=audio 0 RTP/AVP 0\r\na=control:trackID=2\r\na=recvonly\r\n"
                  "m=application 0 RTP/AVP 107\r\na=control:trackID=3\r\na=rtpmap:107 vnd.onvif.metadata/90000\r\n"
                  "m=audio 0 RTP/AVP 0 8 97\r\na=control:trackID=5\r\na=rtpmap:0 PCMU/8000\r\n"
                  "a=rtpmap:8 PCMA/8000\r\na=rtpmap:97 G726-32/8000\r\na=sendonly\r\n")
    sdp_multicast = ("v=0\r\nc=IN IP4 232.0.0.9/16\r\nm=video 5000/2 RTP/AVP 96\r\na=rtpmap:96 H265/90000\r\n"
                     "m=audio 0 RTP/AVP 98\r\na=rtpmap:98 MPEG4-GENERIC/16000/1\r\n"
                     "a=fmtp:98 streamtype=5; mode=AAC-hbr; config=1408; sizelength=13; indexlength=3\r\n")
    write("fuzz_sdp", "camera", sdp_camera.encode())
    write("fuzz_sdp", "multicast", sdp_multicast.encode())

    length = ("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\ncontent-length: 11\r\nX-Folded: first\r\n"
              "  second\r\n\r\nhello\r\nworl")
    chunked = ("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=value\r\nhello\r\n"
               "1A\r\n abcdefghijklmnopqrstuvwxy\r\n0\r\nX-Trailer: done\r\n\r\n")
    challenge = ('HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm="cam", nonce="abc", qop="auth"\r\n'
                 "Content-Length: 0\r\n\r\n")
    write("fuzz_http_response", "length", records(length[:30], length[30:]))
    write("fuzz_http_response", "chunked", records(chunked[:50], chunked[50:]))
    write("fuzz_http_response", "challenge", records(challenge))

    request = ("POST /onvif/device_service HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/soap+xml\r\n"
               "Content-Length: 11\r\n\r\n<s:Envelope")
    chunked_request = ("POST /onvif/device_service HTTP/1.1\r\nTransfer-Encoding: chunked\r\nExpect: 100-continue\r\n"
                       "\r\n5\r\nhello\r\n0\r\n\r\n")
    write("fuzz_sim_request", "length", records(request[:40], request[40:]))
    write("fuzz_sim_request", "chunked", records(chunked_request))

    answer = ("RTSP/1.0 200 OK\r\nCSeq: 2\r\nContent-Base: rtsp://127.0.0.1/live/\r\nContent-Type: application/sdp\r\n"
              "Content-Length: %d\r\n\r\n%s" % (len(sdp_camera), sdp_camera))
    interleaved = b"$\x00" + struct.pack(">H", 16) + rtp(96, 1, 0, b"\x65\x88\x84\x00")
    server_request = "GET_PARAMETER rtsp://127.0.0.1/live RTSP/1.0\r\nCSeq: 9\r\n\r\n"
    write("fuzz_rtsp_framer", "describe", records(answer[:60], answer[60:]))
    write("fuzz_rtsp_framer", "mixed", records(b"RTSP/1.0 200 OK\r\nCSeq: 4\r\nSession: s1;timeout=60\r\n\r\n"
                                               + interleaved, server_request.encode() + interleaved))
    write("fuzz_auth_challenge", "digest", records('Digest realm="testrealm@host.com", nonce="dcd98b7102dd2f0e", '
                                                   'qop="auth,auth-int", opaque="5ccc069c403ebaf9", algorithm=MD5'))
    write("fuzz_auth_challenge", "both", records('Digest realm="cam, \\"north\\" gate",nonce=abc , opaque="o,p"',
                                                 'Basic realm="x"'))

    envelope = ('<?xml version="1.0" encoding="UTF-8"?><s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
                'xmlns:tds="http://www.onvif.org/ver10/device/wsdl" xmlns:tt="http://www.onvif.org/ver10/schema" '
                'xmlns:trt="http://www.onvif.org/ver10/media/wsdl"><s:Body>%s</s:Body></s:Envelope>')
    services = envelope % ('<tds:GetServicesResponse><tds:Service><tds:Namespace>http://www.onvif.org/ver10/device/wsdl'
                           '</tds:Namespace><tds:XAddr>http://127.0.0.1/onvif/device_service</tds:XAddr>'
                           '<tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor></tds:Version></tds:Service>'
                           '</tds:GetServicesResponse>')
    profiles = envelope % ('<trt:GetProfilesResponse><trt:Profiles token="p0" fixed="true"><tt:Name>main</tt:Name>'
                           '</trt:Profiles><trt:Profiles token="p1"><tt:Name>sub</tt:Name></trt:Profiles>'
                           '</trt:GetProfilesResponse>')
    fault = envelope % ('<s:Fault><s:Code><s:Value>s:Sender</s:Value><s:Subcode><s:Value>ter:NotAuthorized'
                        '</s:Value></s:Subcode></s:Code><s:Reason><s:Text xml:lang="en">Sender not authorized'
                        '</s:Text></s:Reason></s:Fault>')
    write("fuzz_soap_message", "services", records("/tds:GetServicesResponse/tds:Service[%d]/tds:XAddr", services))
    write("fuzz_soap_message", "profiles", records("/trt:GetProfilesResponse/trt:Profiles[%d]/@token", profiles))
    write("fuzz_soap_message", "fault", records("/Envelope/Body/Fault/Code/Subcode/Value", fault))

    for i, (tz, duration) in enumerate([("CST-8", "PT5S"), ("EST5EDT,M3.2.0/2,M11.1.0/2", "PT2M30S"),
                                        ("GMT+08:00", "PT1H15S"), ("<+0530>-5:30", "PT0.5S")]):
        write("fuzz_time_text", "case%d" % i, records(tz, duration))

    # Pushed notifications: two Notify requests on one connection, the second in pieces.
    notify = ('<env:Envelope xmlns:env="http://www.w3.org/2003/05/soap-envelope" '
              'xmlns:wsnt="http://docs.oasis-open.org/wsn/b-2" xmlns:tt="http://www.onvif.org/ver10/schema">'
              '<env:Body><wsnt:Notify>%s</wsnt:Notify></env:Body></env:Envelope>')

    def message(topic, operation, items):
        return ('<wsnt:NotificationMessage><wsnt:Topic Dialect="http://www.onvif.org/ver10/tev/topicExpression/'
                'ConcreteSet">%s</wsnt:Topic><wsnt:Message><tt:Message UtcTime="2024-05-01T10:00:03Z"%s>%s'
                '</tt:Message></wsnt:Message></wsnt:NotificationMessage>'
                % (topic, ' PropertyOperation="%s"' % operation if operation else "", items))
    motion = message("tns1:RuleEngine/CellMotionDetector/Motion", "Changed",
                     '<tt:Source><tt:SimpleItem Name="VideoSourceConfigurationToken" Value="VSC_1"/>'
                     '<tt:SimpleItem Name="Rule" Value="MyMotion"/></tt:Source>'
                     '<tt:Data><tt:SimpleItem Name="IsMotion" Value="true"/></tt:Data>')
    tamper = message("tns1:VideoSource/GlobalSceneChange/ImagingService", "Initialized",
                     '<tt:Source><tt:SimpleItem Name="Source" Value="VS_1"/></tt:Source>'
                     '<tt:Data><tt:SimpleItem Name="State" Value="false"/></tt:Data>')
    relay = message("tns1:Device/Trigger/DigitalInput", "",
                    '<tt:Source><tt:SimpleItem Name="InputToken" Value="DI_0"/></tt:Source>'
                    '<tt:Data><tt:SimpleItem Name="LogicalState" Value="trigger"/></tt:Data>')

    def post(path, body):
        return ("POST %s HTTP/1.1\r\nHost: 127.0.0.1:8088\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"
                "Content-Length: %d\r\n\r\n%s" % (path, len(body), body))
    first = post("/onvif_notify_server", notify % motion)
    second = post("/onvif_notify_server/cam7", notify % (tamper + relay))
    write("fuzz_notify_request", "two", records(first + second[:70], second[70:]))
    write("fuzz_notify_request", "answer", records("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"
                                                   + post("/onvif_notify_server", notify % relay)))

    # Discovery replies: a full ProbeMatches, and one with a Hello's action.
    def probe_reply(match, action="ProbeMatches"):
        return ('<?xml version="1.0"?><s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
                'xmlns:a="http://schemas.xmlsoap.org/ws/2004/08/addressing" '
                'xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery"><s:Header>'
                '<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/%s</a:Action></s:Header><s:Body>'
                '<d:ProbeMatches><d:ProbeMatch>%s</d:ProbeMatch></d:ProbeMatches></s:Body></s:Envelope>'
                % (action, match))
    match = ('<a:EndpointReference><a:Address>urn:uuid:4d454930-0000-1000-8000-001a2b3c4d5e</a:Address>'
             '</a:EndpointReference><d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types>'
             '<d:Scopes>onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/name/IPC-A1 '
             'onvif://www.onvif.org/hardware/A1-2MP onvif://www.onvif.org/location/country/china</d:Scopes>'
             '<d:XAddrs>http://10.0.0.5:8080/onvif/device_service http://[fe80::1]/onvif/device_service</d:XAddrs>'
             '<d:MetadataVersion>1</d:MetadataVersion>')
    write("fuzz_probe_match", "match", probe_reply(match).encode())
    write("fuzz_probe_match", "hello", probe_reply(match, "Hello").encode())

    # The event service: its topic tree, then a pull answer typed by it, and a pull fault.
    events = ('<?xml version="1.0" encoding="UTF-8"?><s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
              'xmlns:tev="http://www.onvif.org/ver10/events/wsdl" xmlns:wsnt="http://docs.oasis-open.org/wsn/b-2" '
              'xmlns:wstop="http://docs.oasis-open.org/wsn/t-1" xmlns:tt="http://www.onvif.org/ver10/schema" '
              'xmlns:tns1="http://www.onvif.org/ver10/topics"><s:Body>%s</s:Body></s:Envelope>')
    topic_set = events % ('<tev:GetEventPropertiesResponse><wsnt:FixedTopicSet>true</wsnt:FixedTopicSet>'
                          '<wstop:TopicSet><tns1:RuleEngine><CellMotionDetector><Motion wstop:topic="true">'
                          '<tt:MessageDescription IsProperty="true"><tt:Source>'
                          '<tt:SimpleItemDescription Name="VideoSourceConfigurationToken" Type="tt:ReferenceToken"/>'
                          '<tt:SimpleItemDescription Name="Rule" Type="xs:string"/></tt:Source><tt:Data>'
                          '<tt:SimpleItemDescription Name="IsMotion" Type="xs:boolean"/></tt:Data>'
                          '</tt:MessageDescription></Motion></CellMotionDetector></tns1:RuleEngine>'
                          '<tns1:Monitoring><Counter><tt:MessageDescription><tt:Data>'
                          '<tt:SimpleItem Name="Count" Type="xs:int"/></tt:Data></tt:MessageDescription></Counter>'
                          '</tns1:Monitoring></wstop:TopicSet></tev:GetEventPropertiesResponse>')
    pulled = events % ('<tev:PullMessagesResponse><tev:CurrentTime>2024-05-01T10:00:05Z</tev:CurrentTime>'
                       '<tev:TerminationTime>2024-05-01T10:01:05Z</tev:TerminationTime>%s%s</tev:PullMessagesResponse>'
                       % (motion, message("tns1:Monitoring/Counter", "",
                                          '<tt:Data><tt:SimpleItem Name="Count" Value="42"/></tt:Data>')))
    pull_fault = events % ('<s:Fault><s:Code><s:Value>s:Receiver</s:Value></s:Code><s:Reason><s:Text xml:lang="en">'
                           'limit</s:Text></s:Reason><s:Detail><tev:PullMessagesFaultResponse><tev:MaxTimeout>PT60S'
                           '</tev:MaxTimeout><tev:MaxMessageLimit>100</tev:MaxMessageLimit>'
                           '</tev:PullMessagesFaultResponse></s:Detail></s:Fault>')
    write("fuzz_event_answers", "pull", records(topic_set, pulled))
    write("fuzz_event_answers", "fault", records(topic_set, pull_fault))

    # Recording search result pages.
    search = ('<?xml version="1.0" encoding="UTF-8"?><s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope" '
              'xmlns:tse="http://www.onvif.org/ver10/search/wsdl" xmlns:tt="http://www.onvif.org/ver10/schema" '
              'xmlns:wsnt="http://docs.oasis-open.org/wsn/b-2"><s:Body>%s</s:Body></s:Envelope>')
    information = ('<tt:RecordingToken>Rec_000</tt:RecordingToken><tt:Source><tt:SourceId>rtsp://cam1</tt:SourceId>'
                   '<tt:Name>CAM 1</tt:Name><tt:Location>Gate</tt:Location><tt:Description>192.168.1.64'
                   '</tt:Description><tt:Address>http://192.168.1.64/onvif</tt:Address></tt:Source>'
                   '<tt:EarliestRecording>2026-12-05T10:00:00Z</tt:EarliestRecording>'
                   '<tt:LatestRecording>2026-12-06T10:00:00Z</tt:LatestRecording><tt:Content>CAM 1 main</tt:Content>'
                   '<tt:Track><tt:TrackToken>VIDEO001</tt:TrackToken><tt:TrackType>Video</tt:TrackType>'
                   '<tt:DataFrom>2026-12-05T10:00:00Z</tt:DataFrom><tt:DataTo>2026-12-06T10:00:00Z</tt:DataTo>'
                   '</tt:Track><tt:RecordingStatus>Recording</tt:RecordingStatus>')
    write("fuzz_recording_search", "recordings", (search % (
        '<tse:GetRecordingSearchResultsResponse><tse:ResultList><tt:SearchState>Completed</tt:SearchState>'
        '<tt:RecordingInformation>%s</tt:RecordingInformation><tt:RecordingInformation><tt:RecordingToken>Rec_001'
        '</tt:RecordingToken></tt:RecordingInformation></tse:ResultList></tse:GetRecordingSearchResultsResponse>'
        % information)).encode())
    write("fuzz_recording_search", "events", (search % (
        '<tse:GetEventSearchResultsResponse><tse:ResultList><tt:SearchState>Searching</tt:SearchState><tt:Result>'
        '<tt:RecordingToken>Rec_000</tt:RecordingToken><tt:TrackToken>VIDEO001</tt:TrackToken>'
        '<tt:Time>2026-12-06T01:00:00Z</tt:Time><tt:Event><wsnt:Topic Dialect="http://www.onvif.org/ver10/tev/'
        'topicExpression/ConcreteSet">tns1:RecordingHistory/Recording/State</wsnt:Topic><wsnt:Message>'
        '<tt:Message UtcTime="2026-12-06T01:00:00Z"><tt:Source><tt:SimpleItem Name="RecordingToken" '
        'Value="Rec_000"/></tt:Source><tt:Data><tt:SimpleItem Name="IsRecording" Value="true"/></tt:Data>'
        '</tt:Message></wsnt:Message></tt:Event><tt:StartStateEvent>false</tt:StartStateEvent></tt:Result>'
        '</tse:ResultList></tse:GetEventSearchResultsResponse>')).encode())
    write("fuzz_recording_search", "attributes", (search % (
        '<tse:GetMediaAttributesResponse><tse:MediaAttributes><tt:RecordingToken>Rec_000</tt:RecordingToken>'
        '<tt:TrackAttributes><tt:TrackInformation><tt:TrackToken>VIDEO001</tt:TrackToken><tt:TrackType>Video'
        '</tt:TrackType></tt:TrackInformation><tt:VideoAttributes><tt:Bitrate>4096</tt:Bitrate><tt:Width>1920'
        '</tt:Width><tt:Height>1080</tt:Height><tt:Encoding>H264</tt:Encoding></tt:VideoAttributes>'
        '</tt:TrackAttributes><tt:From>2026-12-05T10:00:00Z</tt:From></tse:MediaAttributes>'
        '</tse:GetMediaAttributesResponse>')).encode())
    write("fuzz_recording_search", "positions", (search % (
        '<tse:GetPTZPositionSearchResultsResponse><tse:ResultList><tt:SearchState>Completed</tt:SearchState>'
        '<tt:Result><tt:RecordingToken>Rec_000</tt:RecordingToken><tt:Time>2026-12-06T02:00:00Z</tt:Time>'
        '<tt:Position><tt:PanTilt x="0.25" y="-0.5"/><tt:Zoom x="0.1"/></tt:Position></tt:Result>'
        '</tse:ResultList></tse:GetPTZPositionSearchResultsResponse>')).encode())

    # RTP, and RTCP: a sender report followed by an SDES chunk, as devices send them.
    sr = struct.pack(">BBHIIIIII", 0x80, 200, 6, 0x1234, 0xE1234567, 0x80000000, 90000, 10, 1000)
    sdes = struct.pack(">BBHIBB", 0x81, 202, 2, 0x1234, 1, 2) + b"cam\x00"
    replay = struct.pack(">IIBBH", 0xE1234567, 0, 0x80, 3, 0)
    write("fuzz_rtp_rtcp", "rtp", records(rtp(96, 1, 0, b"abc"), rtp(96, 3, 0, b"c"), rtp(96, 2, 0, b"b"),
                                          rtp(96, 4, 0, b"d", ext=(0xABAC, replay))))
    write("fuzz_rtp_rtcp", "rtcp", records(sr + sdes))

    write("fuzz_depacketizer_h264", "clip", records(*h264_packets(nal_units("h264_352x288_10.264", 6))))
    write("fuzz_depacketizer_h265", "clip", records(*h265_packets(nal_units("h265_1920x1080_25.265", 6))))
    # RFC 2435: type 1, Q 255 with in-band tables (two of 64 bytes), then a continuation.
    jpeg_main = bytes([0, 0, 0, 0, 1, 255, 80, 45])
    qt = bytes([0, 0, 0, 128]) + bytes(range(1, 129))
    write("fuzz_depacketizer_mjpeg", "inband", records(rtp(26, 1, 0, jpeg_main + qt + b"\x11" * 40),
                                                       rtp(26, 2, 0, bytes([0, 0, 0, 40, 1, 255, 80, 45])
                                                           + b"\x22" * 40 + b"\xff\xd9", marker=True)))
    write("fuzz_depacketizer_mjpeg", "restart", records(rtp(26, 1, 0, bytes([0, 0, 0, 0, 65, 50, 80, 45])
                                                            + bytes([0, 4, 0xFF, 0xFF]) + b"\x33" * 30, marker=True)))
    aac = open(os.path.join(ROOT, "Sim", "media", "aac_16000_mono.aac"), "rb").read()
    frames, pos = [], 0
    while pos + 7 <= len(aac) and len(frames) < 3:
        size = ((aac[pos + 3] & 3) << 11) | (aac[pos + 4] << 3) | (aac[pos + 5] >> 5)
        frames.append(aac[pos + 7:pos + size])
        pos += size
    one = struct.pack(">HH", 16, len(frames[0]) << 3) + frames[0]
    two = struct.pack(">HHH", 32, len(frames[1]) << 3, (len(frames[2]) << 3)) + frames[1] + frames[2]
    write("fuzz_depacketizer_aac", "frames", records(rtp(97, 1, 0, one, marker=True), rtp(97, 2, 1024, two, True)))
    for codec, pt in (("g711", 0), ("g726", 97), ("l16", 11)):
        write("fuzz_depacketizer_" + codec, "audio", records(rtp(pt, 1, 0, bytes(range(160))),
                                                             rtp(pt, 2, 160, bytes(range(160, 0, -1)))))

    # Native frames: written here to the published layout (see Packaging/NativeFrame.h).
    def native(kind, payload, items=b""):
        total = 24 + len(items) + len(payload) + 8
        head = b"ZTAV" + bytes([kind, 0, 0, 0]) + struct.pack("<IIIH", 7, total, 0x12345678, 250) + bytes([len(items)])
        head += bytes([sum(head) & 0xFF])
        return head + items + payload + b"ztav" + struct.pack("<I", total)
    items = bytes([0x82, 0, 0, 0]) + struct.pack("<HH", 352, 288) + bytes([0x81, 0, 1, 25])
    write("fuzz_native_frame", "video", native(73, b"\x00\x00\x00\x01\x65" + b"\x10" * 40, items))
    write("fuzz_native_frame", "two", native(65, b"\x55" * 32) + native(80, b"\x00\x00\x01\x41\x9a", items))
    return 0


if __name__ == "__main__":
    sys.exit(main())
