#pragma once

#include "mqtt/MessageIntake.h"
#include "status/StatusInterpretation.h"

#include <string>
#include <vector>

// Something about a shown message that is probably not what its sender meant.
struct SCheckWarning
{
    const char* code; // stable, for scripts ("keyword-case", "guide-phase", ...)
    std::string text; // for people
};

// What Tavrin does with one payload on one topic, and why: the facts come from
// the intake and the status interpretation that the program itself runs.
struct CPayloadCheck
{
    std::string topic;
    std::string line;    // the "subscribe" pane's line: the payload as text
    EIntakeResult intake = INTAKE_NOT_JSON;
    SJsonError jsonError; // INTAKE_NOT_JSON
    CStatusUpdate update;
    CStatusReasons reasons; // once the payload has parsed
    std::vector<SCheckWarning> warnings;

    bool IsShown() const { return update.bAccepted; }
    // For a dropped payload a stable code ("no-json", "no-timestamp",
    // "topic", ...) and the reason in words; empty for a shown one.
    std::string DropCode() const;
    std::string DropText() const;
    // The reason without the details, to count drops by ("no JSON").
    std::string DropKind() const;
    // For a shown payload whose title wrote nothing, why not ("no row for
    // 'Idle'", "guide needs 3 tokens, has 2"); empty when a row wrote.
    std::string NoRowText() const;
};

CPayloadCheck CheckPayload(const std::string& payload, const std::string& topic);

// The board field's name as the robot system's developers read it.
const char* FieldName(EStatusField field);
