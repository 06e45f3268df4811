#include <gtest/gtest.h>
#include <mosquitto.h>

namespace
{
// What the main window does around the client's life: once per process.
class CMosquittoEnvironment : public testing::Environment
{
public:
    void SetUp() override { mosquitto_lib_init(); }
    void TearDown() override { mosquitto_lib_cleanup(); }
};

testing::Environment* const g_pEnvironment = testing::AddGlobalTestEnvironment(new CMosquittoEnvironment);
}
