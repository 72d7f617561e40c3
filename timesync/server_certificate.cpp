#include "timesync/server_certificate.h"

#include "core/timesource/time_source.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win32.h"
#include "timesync/precise_clock.h"
// clang-format off
#include <wincrypt.h>
// clang-format on

namespace timesync {

namespace {

struct StoreTraits {
    using Handle = HCERTSTORE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CertCloseStore(h, 0); }
};
struct CertificateTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CertFreeCertificateContext(h); }
};
struct ChainTraits {
    using Handle = PCCERT_CHAIN_CONTEXT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CertFreeCertificateChain(h); }
};

std::string PolicyWords(DWORD error) {
    switch (static_cast<HRESULT>(error)) {
        case CERT_E_CN_NO_MATCH:
            return "The server's certificate is for another name";
        case CERT_E_UNTRUSTEDROOT:
        case CERT_E_UNTRUSTEDTESTROOT:
            return "The server's certificate is not from a trusted authority";
        case CERT_E_CHAINING:
            return "The server's certificate does not lead to a trusted authority";
        case CERT_E_EXPIRED:
            return "The server's certificate is expired or not yet valid";
        case CERT_E_REVOKED:
            return "The server's certificate has been revoked";
        case CERT_E_WRONG_USAGE:
            return "The server's certificate is not for a server";
        default:
            return platform::Format("Windows does not accept the server's certificate (0x%08lX)",
                                    static_cast<unsigned long>(error));
    }
}

std::string ChainWords(DWORD trust) {
    if (trust & CERT_TRUST_IS_NOT_TIME_VALID) return PolicyWords(CERT_E_EXPIRED);
    if (trust & CERT_TRUST_IS_REVOKED) return PolicyWords(CERT_E_REVOKED);
    if (trust & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return PolicyWords(CERT_E_WRONG_USAGE);
    if (trust & CERT_TRUST_IS_UNTRUSTED_ROOT) return PolicyWords(CERT_E_UNTRUSTEDROOT);
    if (trust & CERT_TRUST_IS_PARTIAL_CHAIN) return PolicyWords(CERT_E_CHAINING);
    return platform::Format("Windows does not accept the server's certificate (chain 0x%08lX)",
                            static_cast<unsigned long>(trust));
}

}  // namespace

std::optional<std::string> ServerCertificateRefusal(const CertificateChain& chain,
                                                    const std::string& host,
                                                    std::optional<horolux::UnixMicros> moment) {
    if (chain.empty()) return "The server sent no certificate";
    const platform::UniqueHandle<StoreTraits> sent(
        CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr));
    if (!sent) return "The server's certificate could not be checked";
    platform::UniqueHandle<CertificateTraits> leaf;
    for (const std::vector<std::uint8_t>& der : chain) {
        PCCERT_CONTEXT added = nullptr;
        if (!CertAddEncodedCertificateToStore(sent.Get(), X509_ASN_ENCODING, der.data(),
                                              static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS,
                                              leaf ? nullptr : &added))
            return "The server's certificate could not be read";
        if (added) leaf.Reset(added);
    }

    LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
    PCCERT_CHAIN_CONTEXT built = nullptr;
    FILETIME at = FileTimeFromMicros(moment.value_or(0));
    if (!CertGetCertificateChain(nullptr, leaf.Get(), moment ? &at : nullptr, sent.Get(), &para, 0,
                                 nullptr, &built))
        return "The server's certificate could not be checked";
    const platform::UniqueHandle<ChainTraits> owned(built);
    // The chain's own verdict first: the SSL policy of some chain engines (Wine's) passes a chain
    // that stops short of any root. Revocation is not asked for, so its "unknown" is no verdict.
    DWORD ignored = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
    if (!moment) ignored |= CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_CTL_IS_NOT_TIME_VALID;
    const DWORD trust = built->TrustStatus.dwErrorStatus & ~ignored;
    if (trust != CERT_TRUST_NO_ERROR) return ChainWords(trust);

    std::wstring name = platform::WideFromAnsi(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    if (!moment) policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_NOT_TIME_VALID_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, built, &policy, &status))
        return "The server's certificate could not be checked";
    if (status.dwError != 0) return PolicyWords(status.dwError);
    return std::nullopt;
}

std::optional<std::string> TimeSourceCertificateRefusal(const CertificateChain& chain,
                                                        const std::string& host,
                                                        horolux::UnixMicros offset) {
    const horolux::UnixMicros now = PreciseNowMicros();
    auto refusal = ServerCertificateRefusal(chain, host, now + offset);
    if (!refusal && !horolux::IsLargeCorrection(offset))
        refusal = ServerCertificateRefusal(chain, host, now);
    return refusal;
}

CertificateChain CertificatesOf(const _CERT_CHAIN_CONTEXT* chain) {
    CertificateChain certificates;
    if (!chain || chain->cChain == 0) return certificates;
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    for (DWORD i = 0; i < simple->cElement; ++i) {
        const CERT_CONTEXT* c = simple->rgpElement[i]->pCertContext;
        certificates.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    }
    return certificates;
}

CertificateChain CertificatesOf(const _CERT_CONTEXT* serverCertificate) {
    CertificateChain certificates;
    if (!serverCertificate) return certificates;
    const auto der = [](const CERT_CONTEXT* c) {
        return std::vector<std::uint8_t>(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    };
    certificates.push_back(der(serverCertificate));
    // The others the server sent travel in the certificate's own store.
    PCCERT_CONTEXT other = nullptr;
    while (serverCertificate->hCertStore &&
           (other = CertEnumCertificatesInStore(serverCertificate->hCertStore, other)) != nullptr)
        if (!CertCompareCertificate(X509_ASN_ENCODING, other->pCertInfo,
                                    serverCertificate->pCertInfo))
            certificates.push_back(der(other));
    return certificates;
}

}  // namespace timesync
