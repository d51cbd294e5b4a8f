#pragma once

// The shell's folder dialog made unavailable while this lives, to see what a
// program does when it cannot be created. Wine 8 reads COM classes from the
// machine's hive only (an override under HKCU\Software\Classes is ignored
// there), so the machine's registration of the dialog's class is pointed at
// a server that does not exist, and put back afterwards.

#include <windows.h>

namespace norvik::test {

class picker_class_override {
public:
    picker_class_override();
    ~picker_class_override();
    picker_class_override(const picker_class_override&) = delete;
    picker_class_override& operator=(const picker_class_override&) = delete;

    // Puts the registration back now (the destructor then does nothing).
    void restore();

private:
    static void set(const wchar_t* server);

    wchar_t saved_[MAX_PATH] = {};
    bool had_ = false;
    bool overridden_ = false;
};

} // namespace norvik::test
