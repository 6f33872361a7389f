#pragma once
// One modem device of the registry's modem class key: its friendly name, its
// key path and the COM port it is attached to, in fixed zero-terminated fields.
#include <cstring>
#include "platform/Types.h"

struct TModemData {
    char name[256] = {};
    char regKey[1024] = {};
    char port[16] = {};

    // Longer texts are cut to the field, which always stays terminated.
    void SetName(const AnsiString& text) { Copy(name, text); }
    void SetRegKey(const AnsiString& text) { Copy(regKey, text); }
    void SetPort(const AnsiString& text) { Copy(port, text); }

private:
    template <size_t N>
    static void Copy(char (&field)[N], const AnsiString& text)
    {
        std::memset(field, 0, N);
        std::memcpy(field, text.data(), text.size() < N ? text.size() : N - 1);
    }
};
