// The plain copy the program is measured against under Wine: one 61,440-byte buffer, the target
// made new (CREATE_NEW), so that it measures nothing but reading and writing.
#include <windows.h>
#include <vector>
int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HANDLE in =
      CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out =
      CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return 1;
  std::vector<char> buffer(61440);
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return 1;
    if (got == 0) break;
    if (!WriteFile(out, buffer.data(), got, &put, nullptr) || put != got) return 1;
  }
  CloseHandle(in);
  CloseHandle(out);
  return 0;
}
