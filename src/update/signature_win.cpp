// Publisher signatures of downloaded files: RSA with SHA-256 (PKCS #1 v1.5, as `openssl dgst
// -sha256 -sign` makes them), checked by the system's CryptoAPI against the public key that the
// build put into the program.
#include "update/signature_win.h"

#include <windows.h>
#include <objbase.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>

#include "update/update_rules.h"

namespace {

// SHA-256 came with Windows XP SP3; the headers show it only to programs that target Vista.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;

// The publisher's public key as a DER SubjectPublicKeyInfo (`openssl pkey -pubin -outform DER`),
// written by the build from the key it was given or made.
const unsigned char kPublisherKey[] = {
#include "publisher_key.inc"
};

// Reads the detached signature; false when it is missing, empty or larger than any key makes.
bool ReadSignature(const char* path, BYTE* signature, DWORD* size) {
  char sigPath[MAX_PATH + 8];
  if (std::snprintf(sigPath, sizeof sigPath, "%s.sig", path) >= static_cast<int>(sizeof sigPath)) {
    return false;
  }
  std::FILE* file = std::fopen(sigPath, "rb");
  if (file == nullptr) return false;
  const size_t n = std::fread(signature, 1, kSignatureMaxSize, file);
  const bool tooLong = std::fgetc(file) != EOF;
  std::fclose(file);
  if (n == 0 || tooLong) return false;
  *size = static_cast<DWORD>(n);
  return true;
}

// Feeds the whole file to the hash.
bool HashFile(const char* path, HCRYPTHASH hash) {
  // No writer may change the file while it is read.
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BYTE piece[16 * 1024];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, piece, sizeof piece, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    if (!CryptHashData(hash, piece, got, 0)) {
      ok = false;
      break;
    }
  }
  CloseHandle(file);
  return ok;
}

}  // namespace

bool VerifyPublisherSignature(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  BYTE signature[kSignatureMaxSize];
  DWORD signatureSize = 0;
  if (!ReadSignature(path, signature, &signatureSize)) return false;
  // CryptoAPI takes the signature least significant byte first; OpenSSL writes it the other way.
  for (DWORD i = 0, j = signatureSize - 1; i < j; ++i, --j) {
    const BYTE b = signature[i];
    signature[i] = signature[j];
    signature[j] = b;
  }

  CERT_PUBLIC_KEY_INFO* keyInfo = nullptr;
  DWORD keyInfoSize = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, kPublisherKey,
                           sizeof kPublisherKey, CRYPT_DECODE_ALLOC_FLAG, nullptr, &keyInfo,
                           &keyInfoSize)) {
    return false;
  }
  bool verified = false;
  HCRYPTPROV provider = 0;
  // The AES provider is the one that knows SHA-256.
  if (CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    HCRYPTKEY key = 0;
    if (CryptImportPublicKeyInfo(provider, X509_ASN_ENCODING, keyInfo, &key)) {
      HCRYPTHASH hash = 0;
      if (CryptCreateHash(provider, kSha256, 0, 0, &hash)) {
        verified = HashFile(path, hash) &&
                   CryptVerifySignatureA(hash, signature, signatureSize, key, nullptr, 0) != FALSE;
        CryptDestroyHash(hash);
      }
      CryptDestroyKey(key);
    }
    CryptReleaseContext(provider, 0);
  }
  LocalFree(keyInfo);
  return verified;
}

void RegisterBandLibrary(const char* path) {
  if (!VerifyPublisherSignature(path)) return;
  HMODULE library = LoadLibraryA(path);
  if (library == nullptr) return;
  using RegisterServer = HRESULT(STDAPICALLTYPE*)();
  auto registerServer = reinterpret_cast<RegisterServer>(
      reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
  if (registerServer != nullptr) {
    // The band registers its category through COM, as it would under regsvr32.
    const HRESULT com = CoInitialize(nullptr);
    registerServer();
    if (SUCCEEDED(com)) CoUninitialize();
  }
  FreeLibrary(library);
}
