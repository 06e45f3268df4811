# The portable core's files, for the main build and the fuzz build alike:
# no window, and no Win32 but the files that the platform picks.
set(TAVRIN_CORE_SOURCES
  ${TAVRIN_ROOT}/src/text/Utf8.cpp
  ${TAVRIN_ROOT}/src/status/MessageEnvelope.cpp
  ${TAVRIN_ROOT}/src/status/ReceiveTime.cpp
  ${TAVRIN_ROOT}/src/status/StatusInterpretation.cpp
  ${TAVRIN_ROOT}/src/config/ProtectedPassword.cpp
  ${TAVRIN_ROOT}/src/mqtt/ClientId.cpp
  ${TAVRIN_ROOT}/src/mqtt/LinkFailure.cpp
  ${TAVRIN_ROOT}/src/mqtt/LinkSecurity.cpp
  ${TAVRIN_ROOT}/src/mqtt/MessageIntake.cpp
  ${TAVRIN_ROOT}/src/mqtt/NameLookup.cpp
  ${TAVRIN_ROOT}/src/mqtt/PollVariant.cpp
  ${TAVRIN_ROOT}/src/mqtt/RobotMqttService.cpp
  ${TAVRIN_ROOT}/src/mqtt/SocketReady.cpp)
if(WIN32)
  list(APPEND TAVRIN_CORE_SOURCES
    ${TAVRIN_ROOT}/src/mqtt/ClientIdWin.cpp
    ${TAVRIN_ROOT}/src/config/ProtectedPasswordWin.cpp
    ${TAVRIN_ROOT}/src/mqtt/LinkTrustWin.cpp
    ${TAVRIN_ROOT}/src/trace/DebugTraceWin.cpp)
else()
  list(APPEND TAVRIN_CORE_SOURCES
    ${TAVRIN_ROOT}/src/mqtt/ClientIdPosix.cpp
    ${TAVRIN_ROOT}/src/config/ProtectedPasswordPosix.cpp
    ${TAVRIN_ROOT}/src/mqtt/LinkTrustPosix.cpp
    ${TAVRIN_ROOT}/src/trace/DebugTracePosix.cpp)
endif()
