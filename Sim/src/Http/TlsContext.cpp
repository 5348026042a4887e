#include "Http/TlsContext.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace OnvifSim {
namespace {

struct CKeyDeleter { void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); } };
struct CCertDeleter { void operator()(X509* c) const { X509_free(c); } };

X509* MakeCertificate(EVP_PKEY* key)
{
    X509* cert = X509_new();
    if (!cert)
        return nullptr;
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3650L * 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("onvif-sim"),
                               -1, -1, 0);
    X509_set_issuer_name(cert, name);
    // Every name a test may use for the loopback device, so that a client verifying host
    // names accepts the simulator once it trusts this certificate.
    X509V3_CTX v3;
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* names = X509V3_EXT_conf_nid(nullptr, &v3, NID_subject_alt_name,
                                                "DNS:localhost,IP:127.0.0.1,IP:::1");
    const bool named = names != nullptr && X509_add_ext(cert, names, -1) == 1;
    X509_EXTENSION_free(names);
    if (!named || X509_sign(cert, key, EVP_sha256()) == 0) {
        X509_free(cert);
        return nullptr;
    }
    return cert;
}

std::string PemOf(X509* cert)
{
    BIO* out = BIO_new(BIO_s_mem());
    if (!out)
        return std::string();
    std::string pem;
    if (PEM_write_bio_X509(out, cert) == 1) {
        char* data = nullptr;
        const long len = BIO_get_mem_data(out, &data);
        if (len > 0)
            pem.assign(data, static_cast<size_t>(len));
    }
    BIO_free(out);
    return pem;
}

} // namespace

std::unique_ptr<asio::ssl::context> MakeSelfSignedTlsContext(std::string& error, std::string& certificatePem)
{
    std::unique_ptr<EVP_PKEY, CKeyDeleter> key(EVP_EC_gen("P-256"));
    if (!key) {
        error = "cannot generate the TLS key";
        return nullptr;
    }
    std::unique_ptr<X509, CCertDeleter> cert(MakeCertificate(key.get()));
    if (!cert) {
        error = "cannot make the self-signed certificate";
        return nullptr;
    }
    auto context = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
    SSL_CTX* native = context->native_handle();
    SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
    if (SSL_CTX_use_certificate(native, cert.get()) != 1 || SSL_CTX_use_PrivateKey(native, key.get()) != 1) {
        error = "cannot load the certificate into the TLS context";
        return nullptr;
    }
    certificatePem = PemOf(cert.get());
    return context;
}

} // namespace OnvifSim
