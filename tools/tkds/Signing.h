#pragma once
// Authenticode signing of the programs tkds makes, with Debian's osslsigncode
// run as a program (an argument vector, never a shell). Host build only.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/tkds/CommandSupport.h"

namespace tkds {

// The key that signs and where its password and a timestamp come from. Empty
// when no signing option was given.
struct SigningIdentity {
    std::string pkcs12;         // --sign-pkcs12 FILE.p12 (certificate and key)
    std::string key;            // --sign-key KEY.pem, with --sign-cert
    std::string cert;           // --sign-cert CERT.pem (the signer's certificate, and any chain after it)
    std::string passwordFile;   // --sign-password-file FILE
    std::string passwordEnv;    // --sign-password-env NAME: the variable that holds the password
    std::string timestampUrl;   // --sign-timestamp URL: an RFC 3161 time-stamp server

    bool Wanted() const noexcept { return !pkcs12.empty() || !key.empty(); }
};

// The options a command lists in its ParseArgs rules to accept signing; each takes a value.
inline constexpr std::string_view kSignPkcs12 = "--sign-pkcs12";
inline constexpr std::string_view kSignKey = "--sign-key";
inline constexpr std::string_view kSignCert = "--sign-cert";
inline constexpr std::string_view kSignPasswordFile = "--sign-password-file";
inline constexpr std::string_view kSignPasswordEnv = "--sign-password-env";
inline constexpr std::string_view kSignTimestamp = "--sign-timestamp";

// Reads the signing options of parsed into identity. False with a reason when
// they do not fit together (a key without its certificate, both kinds of key,
// two password sources, a password or timestamp but no key, a password
// variable that is not set); true with an empty identity when none is given.
bool ReadSigningOptions(const ParsedArgs& parsed, SigningIdentity& identity, std::string& error);

// Signs the PE file input into output, which must not exist yet, with a SHA-256
// Authenticode signature; description (may be empty) is the signed program's
// name that Windows shows when it asks for elevation. SOURCE_DATE_EPOCH, when
// set, is the signing time (with an RSA key the signed file is then the same
// from run to run); otherwise it is now. On failure nothing is left
// at output and error says why (what osslsigncode printed included), for the
// caller to put after the name of what it signs.
bool SignPeFile(const SigningIdentity& identity, const std::string& input, const std::string& output,
                std::string_view description, std::string& error);

}  // namespace tkds
