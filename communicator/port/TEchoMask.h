#pragma once
// Hides a secret in what the port logs: a command that carries one is logged
// in its masked form, and so is the modem's echo of it, however the echo is
// cut into pieces by the reads and whatever was written meanwhile. Every
// secret armed stays so until its own echo was seen whole: a slow modem may
// echo a command only after the user has typed it again.
#include <cstddef>
#include <deque>
#include "platform/Types.h"

class TEchoMask {
public:
    // `plain` is what was written, `masked` the same bytes with the secret
    // starred out (same length).
    void Arm(const AnsiString& plain, const AnsiString& masked);
    void Clear();
    bool Armed() const { return !m_Secrets.empty(); }

    // Masks the next piece of what came back, in place. Bytes in between
    // that are not the echo (an unsolicited line) pass through.
    void Apply(char* data, size_t n);
    AnsiString Apply(AnsiString piece);

    // Echoes that never come (echo off, a modem reset) must not pile up.
    static constexpr size_t kMaxArmed = 8;

private:
    struct Secret {
        AnsiString plain;
        AnsiString masked;
        size_t matched = 0;
    };
    bool Take(char& c);

    std::deque<Secret> m_Secrets;  // oldest first
};
