#include "config/ProtectedPassword.h"

#include <cstring>

namespace
{
const char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c)
{
    const char* p = c ? std::strchr(ALPHABET, c) : nullptr;
    return p ? static_cast<int>(p - ALPHABET) : -1;
}
}

std::string Base64Encode(const std::vector<unsigned char>& bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3)
    {
        const size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        unsigned v = bytes[i] << 16;
        if (n > 1)
            v |= bytes[i + 1] << 8;
        if (n > 2)
            v |= bytes[i + 2];
        text += ALPHABET[(v >> 18) & 63];
        text += ALPHABET[(v >> 12) & 63];
        text += n > 1 ? ALPHABET[(v >> 6) & 63] : '=';
        text += n > 2 ? ALPHABET[v & 63] : '=';
    }
    return text;
}

// Strict: whole quads, padding only at the end, no stray characters, no
// stray bits before the padding; so each text has one meaning.
bool Base64Decode(const std::string& text, std::vector<unsigned char>& bytes)
{
    bytes.clear();
    if (text.size() % 4 != 0)
        return false;
    for (size_t i = 0; i < text.size(); i += 4)
    {
        const bool bLast = i + 4 == text.size();
        const int nPad = bLast ? (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=') : 0;
        unsigned v = 0;
        for (int k = 0; k < 4 - nPad; ++k)
        {
            const int s = Sextet(text[i + k]);
            if (s < 0)
                return false;
            v |= static_cast<unsigned>(s) << (18 - 6 * k);
        }
        if ((nPad == 1 && (v & 0xFF)) || (nPad == 2 && (v & 0xFFFF)))
            return false;
        bytes.push_back(static_cast<unsigned char>(v >> 16));
        if (nPad < 2)
            bytes.push_back(static_cast<unsigned char>(v >> 8));
        if (nPad < 1)
            bytes.push_back(static_cast<unsigned char>(v));
    }
    return true;
}

bool IsProtectedForm(const std::string& stored)
{
    return stored.compare(0, sizeof PROTECTED_PREFIX - 1, PROTECTED_PREFIX) == 0;
}

std::string EncodeProtectedForm(const std::vector<unsigned char>& blob)
{
    return PROTECTED_PREFIX + Base64Encode(blob);
}

bool DecodeProtectedForm(const std::string& stored, std::vector<unsigned char>& blob, std::string& error)
{
    if (!IsProtectedForm(stored) || !Base64Decode(stored.substr(sizeof PROTECTED_PREFIX - 1), blob) ||
        blob.empty())
    {
        error = "the protected password in the settings is damaged: write the password again in plain text";
        return false;
    }
    return true;
}

SPasswordRead ReadPasswordSetting(const std::string& stored)
{
    SPasswordRead read;
    if (stored.empty())
    {
        read.bOk = true;
        return read;
    }
    std::vector<unsigned char> blob;
    if (IsProtectedForm(stored))
    {
        std::string why;
        if (!DecodeProtectedForm(stored, blob, read.error))
            return read;
        read.bOk = UnprotectText(blob, read.password, why);
        if (!read.bOk)
            read.error = "the protected password cannot be opened by this user on this PC (" + why +
                         "): write the password again in plain text";
        return read;
    }
    read.bOk = true;
    read.password = stored;
    std::string why;
    if (ProtectText(stored, blob, why))
        read.replacement = EncodeProtectedForm(blob);
    else
        read.error = "the password could not be protected (" + why + "); it stays in plain text";
    return read;
}
