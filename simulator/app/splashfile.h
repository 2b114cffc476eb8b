// CSplashEncrypt: the enciphered splash picture "QCSGraphic.teg" and the
// plain bitmap file it turns into.
//
// The file is a 16-byte header (the tag "VXTEGBMP", the length of the
// bitmap and a key, both 32-bit little-endian) and the bitmap file's bytes,
// each combined by exclusive or with the next byte of a xorshift stream
// started from the key. The deciphered bytes must be a whole bitmap file:
// "BM" and its own length field equal to the length in the header.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qcsim {

class CSplashEncrypt {
public:
    enum class Result { Done, HeaderUnreadable, NotEncrypted, WriteFailed };

    // Deciphers source into the bitmap file target; a failure leaves no
    // target behind. The header's faults are shown to the user (owner is
    // the window the message belongs to).
    static bool Decipher(const std::string& source, const std::string& target, HWND owner);
    // The same without showing anything.
    static Result DecipherFile(const std::string& source, const std::string& target);
    // Enciphers the bitmap file source into target with key.
    static bool Encipher(const std::string& source, const std::string& target, uint32_t key);
    // The message shown for a result ("" for Done).
    static const char* MessageFor(Result result);
};

} // namespace qcsim
