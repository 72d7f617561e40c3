// Adds the certificate on standard input (PEM or DER) to the machine's trusted roots, so that
// Windows' chain engine in the test session accepts the loopback NTS servers' certificates.
// script/lib/real-servers.sh runs it on the test CA it makes (nts_trust_test_ca).
// clang-format off
#include <windows.h>  // first: wincrypt.h needs its types
#include <wincrypt.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "trust_test_ca: %s failed: error 0x%08lx\n", what, GetLastError());
    return 1;
}

}  // namespace

int main() {
    _setmode(_fileno(stdin), _O_BINARY);
    std::string input;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) input.append(buffer, n);

    std::vector<BYTE> der(input.begin(), input.end());
    if (input.find("-----BEGIN") != std::string::npos) {
        DWORD size = 0;
        if (!CryptStringToBinaryA(input.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size,
                                  nullptr, nullptr))
            return Fail("reading the PEM text");
        der.resize(size);
        if (!CryptStringToBinaryA(input.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size,
                                  nullptr, nullptr))
            return Fail("reading the PEM text");
        der.resize(size);
    }
    HCERTSTORE root =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
    if (!root) return Fail("opening the machine's ROOT store");
    const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    const int result = added ? 0 : Fail("adding the certificate");
    CertCloseStore(root, 0);
    return result;
}
