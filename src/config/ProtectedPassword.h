#pragma once

#include <string>
#include <vector>

// The password key of the INI: a site's IT may write the password in plain
// text once; the program replaces it by a protected form that only the same
// user on the same PC can read back (DPAPI, user scope on Windows), and never
// writes the plain text anywhere.
//
// The protected form: PROTECTED_PREFIX followed by the base64 of the blob.
constexpr const char PROTECTED_PREFIX[] = "protected:";

struct SPasswordRead
{
    bool bOk = false;
    std::string password; // for sign-in; empty when none or on failure
    // Not empty: write this in place of the plain text that was read.
    std::string replacement;
    // Why the password cannot be used (bOk false), or why the plain text stays
    // in the file (bOk true); never holds the password.
    std::string error;
};

// What the key's value means: nothing, a plain password to protect, or a
// protected form to open. A malformed or foreign protected form is a failure.
SPasswordRead ReadPasswordSetting(const std::string& stored);

// The codec, apart for the tests.
bool IsProtectedForm(const std::string& stored);
std::string EncodeProtectedForm(const std::vector<unsigned char>& blob);
bool DecodeProtectedForm(const std::string& stored, std::vector<unsigned char>& blob, std::string& error);
std::string Base64Encode(const std::vector<unsigned char>& bytes);
bool Base64Decode(const std::string& text, std::vector<unsigned char>& bytes);

// The platform's protection (ProtectedPasswordWin.cpp; on Linux a clear
// stand-in for the tests, ProtectedPasswordPosix.cpp).
bool ProtectText(const std::string& plain, std::vector<unsigned char>& blob, std::string& error);
bool UnprotectText(const std::vector<unsigned char>& blob, std::string& plain, std::string& error);
