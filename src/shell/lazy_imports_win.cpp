// Libraries the first strip does not need load when the program first calls into them, not while
// the process starts: under Wine, loading and starting the common controls, COM, crypto, shell,
// internet, accessibility and decompression libraries takes longer than a bare window needs to
// show. MinGW-w64's delayed import libraries crash on i686 (the import slots of dllimport calls
// stay empty), so the program fills the slots itself: each import slot that the compiler calls
// through (__imp_NAME) is defined here, pointing at a small stub that loads the library, looks the
// function up, puts it in the slot and jumps on to it with the caller's arguments untouched. Later
// calls go straight through.
//
// Only Ticker.exe links this; a function missing from the list is imported as usual.
#include <windows.h>

// index, library, function, bytes of arguments (the i686 name's @N).
#define NEWSRAIL_LAZY_IMPORTS(X)                      \
  X(0, "comctl32.dll", CreatePropertySheetPageA, 4)   \
  X(1, "comctl32.dll", InitCommonControlsEx, 4)       \
  X(2, "comctl32.dll", PropertySheetA, 4)             \
  X(3, "comdlg32.dll", ChooseColorA, 4)               \
  X(4, "comdlg32.dll", GetOpenFileNameA, 4)           \
  X(5, "crypt32.dll", CryptDecodeObjectEx, 32)        \
  X(6, "crypt32.dll", CryptImportPublicKeyInfo, 16)   \
  X(7, "ole32.dll", CoInitialize, 4)                  \
  X(8, "ole32.dll", CoUninitialize, 0)                \
  X(9, "shell32.dll", SHAppBarMessage, 8)             \
  X(10, "shell32.dll", ShellExecuteA, 24)             \
  X(11, "shell32.dll", Shell_NotifyIconA, 8)          \
  X(12, "winmm.dll", PlaySoundA, 12)                  \
  X(13, "wininet.dll", HttpAddRequestHeadersA, 16)    \
  X(14, "wininet.dll", HttpOpenRequestA, 32)          \
  X(15, "wininet.dll", HttpQueryInfoA, 20)            \
  X(16, "wininet.dll", HttpSendRequestA, 20)          \
  X(17, "wininet.dll", InternetCheckConnectionA, 12)  \
  X(18, "wininet.dll", InternetCloseHandle, 4)        \
  X(19, "wininet.dll", InternetConnectA, 32)          \
  X(20, "wininet.dll", InternetCrackUrlA, 16)         \
  X(21, "wininet.dll", InternetOpenA, 20)             \
  X(22, "wininet.dll", InternetOpenUrlA, 24)          \
  X(23, "wininet.dll", InternetReadFile, 16)          \
  X(24, "wininet.dll", InternetSetOptionA, 16)        \
  X(25, "ws2_32.dll", WSAStartup, 8)                  \
  X(26, "ws2_32.dll", gethostname, 8)                \
  X(27, "ole32.dll", CoInitializeEx, 8)               \
  X(28, "shell32.dll", SHGetFolderPathA, 20)          \
  X(29, "shell32.dll", SHGetFolderPathW, 20)          \
  X(30, "lz32.dll", LZClose, 4)                       \
  X(31, "lz32.dll", LZCopy, 8)                        \
  X(32, "lz32.dll", LZOpenFileA, 12)                  \
  X(33, "oleacc.dll", AccessibleObjectFromWindow, 16) \
  X(34, "oleacc.dll", LresultFromObject, 12)          \
  X(35, "oleaut32.dll", SysAllocString, 4)            \
  X(36, "oleaut32.dll", VariantInit, 4)

#if defined(__i386__)
#define NEWSRAIL_SLOT_NAME(name, bytes) "__imp__" #name "@" #bytes
#elif defined(__x86_64__)
#define NEWSRAIL_SLOT_NAME(name, bytes) "__imp_" #name
#else
#error "lazy imports for i686 and x86_64 only"
#endif

namespace {

struct LazyImport {
  const char* library;
  const char* function;
  void** slot;
};

}  // namespace

extern "C" {
// The stubs (assembly below) and the look-up they call, under names of their own.
#define NEWSRAIL_DECLARE_STUB(i, library, name, bytes) \
  void LazyStub##i() __asm__("newsrail_lazy_stub_" #i);
NEWSRAIL_LAZY_IMPORTS(NEWSRAIL_DECLARE_STUB)
void* LazyResolve(unsigned index) __asm__("newsrail_lazy_resolve");

// The import slots, each first pointing at its stub.
#define NEWSRAIL_DEFINE_SLOT(i, library, name, bytes) \
  void* LazySlot##i __asm__(NEWSRAIL_SLOT_NAME(name, bytes)) = reinterpret_cast<void*>(&LazyStub##i);
NEWSRAIL_LAZY_IMPORTS(NEWSRAIL_DEFINE_SLOT)
}

namespace {

#define NEWSRAIL_IMPORT_ENTRY(i, library, name, bytes) {library, #name, &LazySlot##i},
const LazyImport kImports[] = {NEWSRAIL_LAZY_IMPORTS(NEWSRAIL_IMPORT_ENTRY)};

}  // namespace

// Two threads may resolve the same slot at once: both find the same address.
void* LazyResolve(unsigned index) {
  const LazyImport& import = kImports[index];
  HMODULE module = LoadLibraryA(import.library);
  FARPROC function = module != nullptr ? GetProcAddress(module, import.function) : nullptr;
  // What the loader would have refused at start: a system library without the function.
  if (function == nullptr) FatalAppExitA(0, import.function);
  void* address = reinterpret_cast<void*>(function);
  __atomic_store_n(import.slot, address, __ATOMIC_RELEASE);
  return address;
}

// Functions that the headers declare without dllimport are called through the import library's
// jump (NAME, on i686 _NAME@N), which would bring the library's own slot in beside this one: the
// jump is defined here too, through the slot above.
#if defined(__i386__)
#define NEWSRAIL_JUMP_ASM(i, library, name, bytes) \
  ".globl _" #name "@" #bytes "\n_" #name "@" #bytes ":\n\tjmp *" \
  NEWSRAIL_SLOT_NAME(name, bytes) "\n"
#else
#define NEWSRAIL_JUMP_ASM(i, library, name, bytes) \
  ".globl " #name "\n" #name ":\n\tjmp *" NEWSRAIL_SLOT_NAME(name, bytes) "(%rip)\n"
#endif
__asm__(".text\n" NEWSRAIL_LAZY_IMPORTS(NEWSRAIL_JUMP_ASM));

// Each stub passes its index to the common part, which keeps every register that can carry an
// argument (ecx and edx for fastcall and thiscall on i686; rcx, rdx, r8, r9 and xmm0-3 on x86_64),
// resolves, and jumps to the function as if the caller had called it directly.
#if defined(__i386__)
#define NEWSRAIL_STUB_ASM(i, library, name, bytes) \
  "newsrail_lazy_stub_" #i ":\n\tpushl $" #i "\n\tjmp newsrail_lazy_common\n"
__asm__(".text\n" NEWSRAIL_LAZY_IMPORTS(NEWSRAIL_STUB_ASM)
        "newsrail_lazy_common:\n"
        "\tpushl %ecx\n"
        "\tpushl %edx\n"
        "\tpushl 8(%esp)\n"
        "\tcall newsrail_lazy_resolve\n"
        "\taddl $4, %esp\n"
        "\tpopl %edx\n"
        "\tpopl %ecx\n"
        "\taddl $4, %esp\n"
        "\tjmp *%eax\n");
#else
#define NEWSRAIL_STUB_ASM(i, library, name, bytes) \
  "newsrail_lazy_stub_" #i ":\n\tmovl $" #i ", %eax\n\tjmp newsrail_lazy_common\n"
__asm__(".text\n" NEWSRAIL_LAZY_IMPORTS(NEWSRAIL_STUB_ASM)
        "newsrail_lazy_common:\n"
        "\tpushq %rcx\n"
        "\tpushq %rdx\n"
        "\tpushq %r8\n"
        "\tpushq %r9\n"
        "\tsubq $0x68, %rsp\n"
        "\tmovdqu %xmm0, 0x20(%rsp)\n"
        "\tmovdqu %xmm1, 0x30(%rsp)\n"
        "\tmovdqu %xmm2, 0x40(%rsp)\n"
        "\tmovdqu %xmm3, 0x50(%rsp)\n"
        "\tmovl %eax, %ecx\n"
        "\tcall newsrail_lazy_resolve\n"
        "\tmovdqu 0x20(%rsp), %xmm0\n"
        "\tmovdqu 0x30(%rsp), %xmm1\n"
        "\tmovdqu 0x40(%rsp), %xmm2\n"
        "\tmovdqu 0x50(%rsp), %xmm3\n"
        "\taddq $0x68, %rsp\n"
        "\tpopq %r9\n"
        "\tpopq %r8\n"
        "\tpopq %rdx\n"
        "\tpopq %rcx\n"
        "\tjmp *%rax\n");
#endif
