#pragma once
// Hides a secret in what the port logs: a command that carries one is logged
// in its masked form, and so is the modem's echo of it, however the echo is
// cut into pieces by the reads and whatever was written meanwhile. Armed, it
// stays so until the echo was seen whole or another secret is written.
#include <cstddef>
#include "platform/Types.h"

class TEchoMask {
public:
    // `plain` is what was written, `masked` the same bytes with the secret
    // starred out (same length).
    void Arm(const AnsiString& plain, const AnsiString& masked);
    void Clear();
    bool Armed() const { return m_nMatched < m_Plain.size(); }

    // Masks the next piece of what came back, in place. Bytes in between
    // that are not the echo (an unsolicited line) pass through.
    void Apply(char* data, size_t n);
    AnsiString Apply(AnsiString piece);

private:
    AnsiString m_Plain;
    AnsiString m_Masked;
    size_t m_nMatched = 0;
};
