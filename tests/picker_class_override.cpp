#include "tests/picker_class_override.h"

#include <cwchar>

namespace norvik::test {

namespace {

constexpr wchar_t server_key[] = L"Software\\Classes\\CLSID\\{DC1C5A9C-E88A-4dde-A5A1-60F82A20AEF7}\\InprocServer32";

} // namespace

picker_class_override::picker_class_override() {
    DWORD bytes = sizeof saved_;
    had_ =
        RegGetValueW(HKEY_LOCAL_MACHINE, server_key, nullptr, RRF_RT_REG_SZ, nullptr, saved_, &bytes) == ERROR_SUCCESS;
    set(L"C:\\picker-class-absent\\shell-dialog.dll");
    overridden_ = true;
}

picker_class_override::~picker_class_override() {
    restore();
}

void picker_class_override::restore() {
    if (!overridden_) {
        return;
    }
    overridden_ = false;
    if (had_) {
        set(saved_);
    } else {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, server_key, nullptr);
    }
}

void picker_class_override::set(const wchar_t* server) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, server_key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(server),
                   static_cast<DWORD>((std::wcslen(server) + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}

} // namespace norvik::test
