#include "NetFramework/TlsClientContext.h"

#include "NetFramework/TlsSettings.h"

#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <mutex>

namespace Zentar {
namespace NetFramework {

namespace {

struct CachedContext {
    bool built = false;
    TlsClientSettings settings;
    std::shared_ptr<asio::ssl::context> context;
};

std::mutex g_cacheMutex;
CachedContext g_cache;

std::shared_ptr<asio::ssl::context> buildContext(const TlsClientSettings& settings, std::string& error)
{
    auto context = std::make_shared<asio::ssl::context>(asio::ssl::context::tls_client);
    if (!settings.verify) {
        context->set_verify_mode(asio::ssl::verify_none);
        return context;
    }
    asio::error_code ec;
    context->set_verify_mode(asio::ssl::verify_peer, ec);
    if (!ec) {
        if (settings.caFile.empty())
            context->set_default_verify_paths(ec);
        else
            context->load_verify_file(settings.caFile, ec);
    }
    if (ec) {
        error = "TLS trust store " + (settings.caFile.empty() ? std::string("(system)") : settings.caFile) +
                " unusable: " + ec.message();
        return nullptr;
    }
    return context;
}

std::string withoutBrackets(const std::string& host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

} // namespace

bool tlsClientContext(TlsClientContext& out, std::string& error)
{
    const TlsClientSettings settings = getTlsClientSettings();
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    if (!g_cache.built || g_cache.settings.verify != settings.verify || g_cache.settings.caFile != settings.caFile) {
        // A CA file that failed to load is tried again on the next connection: the
        // host may have put it in place meanwhile.
        auto context = buildContext(settings, error);
        if (!context)
            return false;
        g_cache.built = true;
        g_cache.settings = settings;
        g_cache.context = context;
    }
    out.context = g_cache.context;
    out.verify = g_cache.settings.verify;
    return true;
}

bool prepareTlsClient(SSL* ssl, const std::string& host, bool verify)
{
    const std::string bare = withoutBrackets(host);
    const bool literal = isIpLiteral(bare);
    // Server names are for host names only; an address literal never goes into SNI.
    if (!literal && SSL_set_tlsext_host_name(ssl, bare.c_str()) != 1)
        return false;
    if (!verify) {
        noteUnverifiedTls(bare);
        return true;
    }
    if (literal)
        return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), bare.c_str()) == 1;
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return SSL_set1_host(ssl, bare.c_str()) == 1;
}

} // namespace NetFramework
} // namespace Zentar
