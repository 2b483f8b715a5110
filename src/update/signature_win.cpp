// Publisher signatures of downloaded files: RSA with SHA-256 (PKCS #1 v1.5, as `openssl dgst
// -sha256 -sign` makes them), checked by the system's CryptoAPI against the public key that the
// build put into the program; and the SHA-256 of files against the signed manifest.
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

// A SHA-256 hash of the AES provider, the one that knows SHA-256; released with the object.
class Sha256 {
 public:
  Sha256() {
    if (!CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
      provider_ = 0;
      return;
    }
    if (!CryptCreateHash(provider_, kSha256, 0, 0, &hash_)) hash_ = 0;
  }
  ~Sha256() {
    if (hash_ != 0) CryptDestroyHash(hash_);
    if (provider_ != 0) CryptReleaseContext(provider_, 0);
  }
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  bool Ready() const { return hash_ != 0; }
  HCRYPTPROV Provider() const { return provider_; }
  HCRYPTHASH Hash() const { return hash_; }
  bool Add(const void* bytes, size_t count) {
    return CryptHashData(hash_, static_cast<const BYTE*>(bytes), static_cast<DWORD>(count), 0) !=
           FALSE;
  }
  // Feeds the file from its start to its end.
  bool AddFile(HANDLE file, uint64_t* size) {
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    BYTE piece[16 * 1024];
    uint64_t total = 0;
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file, piece, sizeof piece, &got, nullptr)) return false;
      if (got == 0) break;
      if (!Add(piece, got)) return false;
      total += got;
    }
    *size = total;
    return true;
  }
  bool Digest(uint8_t (&digest)[kSha256Size]) {
    DWORD length = kSha256Size;
    return CryptGetHashParam(hash_, HP_HASHVAL, digest, &length, 0) && length == kSha256Size;
  }

 private:
  HCRYPTPROV provider_ = 0;
  HCRYPTHASH hash_ = 0;
};

// Whether the signature beside `path` is the publisher's over what `feed` puts into the hash.
template <typename Feed>
bool VerifySignatureOf(const char* path, Feed feed) {
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
  Sha256 hash;
  HCRYPTKEY key = 0;
  if (hash.Ready() &&
      CryptImportPublicKeyInfo(hash.Provider(), X509_ASN_ENCODING, keyInfo, &key)) {
    verified = feed(hash) &&
               CryptVerifySignatureA(hash.Hash(), signature, signatureSize, key, nullptr, 0) != FALSE;
    CryptDestroyKey(key);
  }
  LocalFree(keyInfo);
  return verified;
}

}  // namespace

bool VerifyPublisherSignature(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  HeldFile file;
  if (!file.Open(path)) return false;
  return VerifySignatureOf(path, [&file](Sha256& hash) {
    uint64_t size = 0;
    return hash.AddFile(file.Handle(), &size);
  });
}

bool HeldFile::Open(const char* path) {
  Close();
  handle_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return handle_ != INVALID_HANDLE_VALUE;
}

void HeldFile::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

bool HeldFile::Matches(const UpdateManifest& manifest, const char* entry) {
  if (!IsOpen()) return false;
  Sha256 hash;
  uint64_t size = 0;
  uint8_t digest[kSha256Size];
  return hash.Ready() && hash.AddFile(handle_, &size) && hash.Digest(digest) &&
         FileMatchesManifest(manifest, entry, size, digest);
}

bool Sha256OfBytes(const void* bytes, size_t count, uint8_t (&digest)[kSha256Size]) {
  Sha256 hash;
  return hash.Ready() && hash.Add(bytes, count) && hash.Digest(digest);
}

bool LoadVerifiedManifest(const char* path, UpdateManifest* manifest) {
  HeldFile file;
  if (path == nullptr || !file.Open(path)) return false;
  char bytes[kManifestMaxSize + 1];
  DWORD got = 0;
  if (!ReadFile(file.Handle(), bytes, sizeof bytes, &got, nullptr) || got > kManifestMaxSize) {
    return false;
  }
  const bool signedByPublisher =
      VerifySignatureOf(path, [&](Sha256& hash) { return hash.Add(bytes, got); });
  return signedByPublisher && ParseUpdateManifest(bytes, got, manifest);
}

void RegisterVerifiedLibrary(const char* path) {
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

void RegisterBandLibrary(const char* path) {
  // Held from the check until it is loaded.
  HeldFile held;
  if (!held.Open(path) || !VerifyPublisherSignature(path)) return;
  RegisterVerifiedLibrary(path);
}
