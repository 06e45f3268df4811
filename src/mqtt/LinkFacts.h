#pragma once

// The link's facts in one place: what the robot system publishes and where,
// how Tavrin connects, and the settings that name the broker. The program,
// tavrin-check, the tests and the benchmark all read them from here.
namespace Link
{
// The one topic whose messages move the board, and the filter that takes it.
constexpr const char TOPIC_MESSAGE[] = "server/sendMessage";
constexpr const char TOPIC_FILTER[] = "server/#";
constexpr int SUBSCRIBE_QOS = 1;
// Unsubscribed to test the link after a resume: nobody holds it, so the
// broker's answer changes nothing.
constexpr const char CHECK_FILTER[] = "server/tavrin-link-check";

// Members of the message's envelope, and of its request.
constexpr const char MEMBER_ID[] = "id";
constexpr const char MEMBER_VERSION[] = "version";
constexpr const char MEMBER_TIMESTAMP[] = "timestamp";
constexpr const char MEMBER_CORRELATION_ID[] = "correlationId";
constexpr const char MEMBER_REQUEST[] = "request";
constexpr const char MEMBER_TITLE[] = "title";
constexpr const char MEMBER_CONTENT[] = "content";

constexpr bool CLEAN_SESSION = true;
constexpr int KEEPALIVE_SEC = 60;
// An attempt (name lookup, TCP connect, the broker's CONNACK) that takes
// longer than this has failed, whatever the network is doing.
constexpr int ATTEMPT_LIMIT_MS = 10000;

// Client identifiers: the program's default is CLIENT_ID_PREFIX followed by
// the computer's and the user's names (ClientId.h); tavrin-check's own begin
// with CHECK_CLIENT_ID_PREFIX, so neither ever pushes the other off.
constexpr const char CLIENT_ID_PREFIX[] = "tavrin-";
constexpr const char CHECK_CLIENT_ID_PREFIX[] = "tavrin-check-";

// The INI section and its keys, with the defaults written back when missing.
constexpr const char SECTION[] = "RobotMqttService";
constexpr const char KEY_HOST[] = "ip";
constexpr const char DEFAULT_HOST[] = "127.0.0.1";
constexpr const char KEY_PORT[] = "port";
constexpr int DEFAULT_PORT = 1883;
constexpr const char KEY_RECONNECT_SEC[] = "reconnect-sec";
constexpr int DEFAULT_RECONNECT_SEC = 60;
// Empty: the computed identifier, which is never written into the file, so
// that an INI copied between PCs does not give them one identifier.
constexpr const char KEY_CLIENT_ID[] = "client-id";
constexpr const char DEFAULT_CLIENT_ID[] = "";

// Sign-in and TLS. The password key holds, after its first read, only the
// protected form (ProtectedPassword.h); the plain text a site's IT wrote there
// is replaced.
constexpr const char KEY_USER[] = "username";
constexpr const char DEFAULT_USER[] = "";
constexpr const char KEY_PASSWORD[] = "password";
constexpr const char DEFAULT_PASSWORD[] = "";
constexpr const char KEY_TLS[] = "tls";
constexpr int DEFAULT_TLS = 0; // off: the plain broker of today's sites
// Empty: the roots that Windows trusts for the current user.
constexpr const char KEY_CA_FILE[] = "tls-cafile";
constexpr const char DEFAULT_CA_FILE[] = "";
constexpr const char KEY_CERT_FILE[] = "tls-certfile";
constexpr const char DEFAULT_CERT_FILE[] = "";
constexpr const char KEY_KEY_FILE[] = "tls-keyfile";
constexpr const char DEFAULT_KEY_FILE[] = "";
// Skips the check of the broker's certificate and name; its name says so.
constexpr const char KEY_TLS_INSECURE[] = "tls-insecure-no-checks";
constexpr int DEFAULT_TLS_INSECURE = 0;
}
