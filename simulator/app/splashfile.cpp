#include "simulator/app/splashfile.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "simulator/app/userdialog.h"

namespace qcsim {

namespace {

constexpr char kTag[8] = {'V', 'X', 'T', 'E', 'G', 'B', 'M', 'P'};
constexpr size_t kHeaderSize = 16;
// Larger than any splash picture; a header that claims more is not one.
constexpr uint32_t kMaxBitmapSize = 64u << 20;

uint32_t GetLe32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe32(uint8_t* p, uint32_t value)
{
    for (int n = 0; n < 4; ++n)
        p[n] = static_cast<uint8_t>(value >> (8 * n));
}

// Exclusive or with the key's stream: the same call enciphers and deciphers.
void Scramble(std::vector<uint8_t>& bytes, uint32_t key)
{
    uint32_t state = key ? key : 0x9E3779B9u;
    for (uint8_t& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte ^= static_cast<uint8_t>(state >> 24);
    }
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    uint8_t block[65536];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0 && bytes.size() <= kMaxBitmapSize + kHeaderSize)
        bytes.insert(bytes.end(), block, block + got);
    std::fclose(file);
    return true;
}

bool WriteBytes(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        ::DeleteFileA(path.c_str());
        return false;
    }
    return true;
}

} // namespace

CSplashEncrypt::Result CSplashEncrypt::DecipherFile(const std::string& source, const std::string& target)
{
    std::vector<uint8_t> bytes;
    if (!ReadBytes(source, bytes) || bytes.size() < kHeaderSize)
        return Result::HeaderUnreadable;
    const uint32_t length = GetLe32(bytes.data() + 8);
    if (std::memcmp(bytes.data(), kTag, sizeof kTag) != 0 || length < 14 || length > kMaxBitmapSize ||
        bytes.size() - kHeaderSize < length)
        return Result::NotEncrypted;
    std::vector<uint8_t> bitmap(bytes.begin() + kHeaderSize, bytes.begin() + kHeaderSize + length);
    Scramble(bitmap, GetLe32(bytes.data() + 12));
    if (bitmap[0] != 'B' || bitmap[1] != 'M' || GetLe32(bitmap.data() + 2) != length)
        return Result::NotEncrypted;
    return WriteBytes(target, bitmap.data(), bitmap.size()) ? Result::Done : Result::WriteFailed;
}

bool CSplashEncrypt::Decipher(const std::string& source, const std::string& target, HWND owner)
{
    const Result result = DecipherFile(source, target);
    if (result == Result::HeaderUnreadable || result == Result::NotEncrypted)
        ShowMessage(owner, MessageFor(result), "QC Simulation");
    return result == Result::Done;
}

bool CSplashEncrypt::Encipher(const std::string& source, const std::string& target, uint32_t key)
{
    std::vector<uint8_t> bitmap;
    if (!ReadBytes(source, bitmap) || bitmap.size() > kMaxBitmapSize)
        return false;
    std::vector<uint8_t> file(kHeaderSize);
    std::memcpy(file.data(), kTag, sizeof kTag);
    PutLe32(file.data() + 8, static_cast<uint32_t>(bitmap.size()));
    PutLe32(file.data() + 12, key);
    Scramble(bitmap, key);
    file.insert(file.end(), bitmap.begin(), bitmap.end());
    return WriteBytes(target, file.data(), file.size());
}

const char* CSplashEncrypt::MessageFor(Result result)
{
    switch (result) {
    case Result::HeaderUnreadable: return "Could not read the encrypted file header";
    case Result::NotEncrypted: return "This is not an encrypted BMP file";
    case Result::WriteFailed: return "Could not write the bitmap file";
    case Result::Done: break;
    }
    return "";
}

} // namespace qcsim
