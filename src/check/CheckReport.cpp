#include "check/CheckReport.h"

#include "logpanes/PaneLimits.h"
#include "status/ReceiveTime.h"

#include <cstdio>
#include <json/value.h>
#include <json/writer.h>
#include <memory>
#include <sstream>

namespace
{
// Tokens shown one by one before the rest is only counted.
const size_t SHOWN_TOKENS = 8;

// Labels padded to one column on a terminal; "일반" takes four cells.
const char LABEL_SUBSCRIBE[] = "  subscribe    ";
const char LABEL_TITLE[] = "  title        ";
const char LABEL_ROW[] = "  row          ";
const char LABEL_GENERAL[] = "  일반         ";
const char LABEL_RECEIVE[] = "  ReceiveTime  ";
const char LABEL_WARNING[] = "  warning      ";

std::string Label(const char* pszField)
{
    std::string label = std::string("  ") + pszField;
    label.resize(15, ' ');
    return label;
}

std::string TokenList(const std::vector<std::string>& tokens)
{
    std::string list;
    for (size_t i = 0; i < tokens.size() && i < SHOWN_TOKENS; ++i)
        list += (i ? " '" : "'") + Displayed(tokens[i]) + "'";
    if (tokens.size() > SHOWN_TOKENS)
        list += " … (" + std::to_string(tokens.size()) + " tokens)";
    return list;
}

std::string JoinedTitle(const std::vector<std::string>& tokens)
{
    std::string title;
    for (size_t i = 0; i < tokens.size() && i < SHOWN_TOKENS; ++i)
        title += (i ? ":" : "") + tokens[i];
    if (tokens.size() > SHOWN_TOKENS)
        title += ":…";
    return Displayed(title);
}

std::string OrEmpty(const std::string& text)
{
    return text.empty() ? "(empty)" : Displayed(text);
}
}

std::string ReportText(const CPayloadCheck& check, const std::string& source, std::time_t tNow)
{
    std::string out = source + ": ";
    if (!check.IsShown())
        out += "dropped: " + Displayed(check.DropText()) + "\n";
    else if (check.warnings.empty())
        out += "shown\n";
    else
        out += "shown, " + std::to_string(check.warnings.size()) + (check.warnings.size() == 1 ? " warning\n" : " warnings\n");
    out += LABEL_SUBSCRIBE + OrEmpty(PaneLine(check.line)) + "\n";

    if (check.IsShown())
    {
        const CStatusReasons& r = check.reasons;
        out += LABEL_TITLE + (r.tokens.empty() ? std::string(r.pszTitleType ? "(no token)" : "(none)") : TokenList(r.tokens)) + "\n";
        const std::string noRow = check.NoRowText();
        out += LABEL_ROW + (noRow.empty() ? std::string(r.title.pRow->keyword) : "none: " + Displayed(noRow)) + "\n";
        for (const SStatusText& t : check.update.texts)
            out += Label(FieldName(t.field)) + OrEmpty(t.text) + "\n";
        out += LABEL_GENERAL + (check.update.strContentLine.empty() ? std::string("(a line with only the time)")
                                                                    : Displayed(check.update.strContentLine)) + "\n";
        out += LABEL_RECEIVE + FormatReceiveTime(true, tNow, tNow) + "\n";
    }
    for (const SCheckWarning& w : check.warnings)
        out += LABEL_WARNING + Displayed(w.text) + "\n";
    return out;
}

Json::Value ReportObject(const CPayloadCheck& check)
{
    Json::Value o(Json::objectValue);
    o["topic"] = check.topic;
    o["subscribe"] = PaneLine(check.line);
    o["verdict"] = check.IsShown() ? "shown" : "dropped";
    o["reason"] = Json::Value();
    if (!check.IsShown())
    {
        Json::Value& reason = o["reason"];
        reason["code"] = check.DropCode();
        reason["text"] = check.DropText();
        if (check.intake == INTAKE_NOT_JSON)
        {
            reason["line"] = check.jsonError.nLine;
            reason["column"] = check.jsonError.nColumn;
            reason["error"] = check.jsonError.message;
        }
        if (check.reasons.pszMissingMember)
            reason["member"] = check.reasons.pszMissingMember;
    }

    const CStatusReasons& r = check.reasons;
    o["tokens"] = Json::Value(Json::arrayValue);
    for (const std::string& token : r.tokens)
        o["tokens"].append(token);
    const std::string noRow = check.NoRowText();
    o["row"] = check.IsShown() && noRow.empty() ? Json::Value(r.title.pRow->keyword) : Json::Value();
    o["noRow"] = noRow.empty() ? Json::Value() : Json::Value(noRow);
    o["board"] = Json::Value(Json::arrayValue);
    for (const SStatusText& t : check.update.texts)
    {
        Json::Value field(Json::objectValue);
        field["field"] = FieldName(t.field);
        field["text"] = t.text;
        o["board"].append(field);
    }
    o["general"] = check.IsShown() ? Json::Value(check.update.strContentLine) : Json::Value();
    o["receiveTimeMoves"] = check.IsShown();
    o["warnings"] = Json::Value(Json::arrayValue);
    for (const SCheckWarning& w : check.warnings)
    {
        Json::Value warning(Json::objectValue);
        warning["code"] = w.code;
        warning["text"] = w.text;
        o["warnings"].append(warning);
    }
    return o;
}

std::string JsonLine(const Json::Value& value)
{
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    return Json::writeString(builder, value) + "\n";
}

std::string WatchLine(const CPayloadCheck& check, std::time_t tArrival, bool bRetained)
{
    std::string out = DateTimeText(tArrival) + (check.IsShown() ? "  shown    " : "  dropped  ") + Displayed(check.topic);
    if (bRetained)
        out += " (retained)";
    out += "  ";
    if (!check.IsShown())
        out += Displayed(check.DropText());
    else
    {
        const CStatusReasons& r = check.reasons;
        out += (r.tokens.empty() ? std::string("(no title)") : JoinedTitle(r.tokens)) + " → ";
        const std::string noRow = check.NoRowText();
        if (!noRow.empty())
            out += Displayed(noRow);
        for (size_t i = 0; i < check.update.texts.size(); ++i)
        {
            const SStatusText& t = check.update.texts[i];
            out += std::string(i ? ", " : "") + FieldName(t.field) + " " + OrEmpty(t.text);
        }
    }
    for (const SCheckWarning& w : check.warnings)
        out += "  ! " + Displayed(w.text);
    return out + "\n";
}

std::string PaneLine(const std::string& text)
{
    // The text is valid UTF-8: a lead byte of four bytes makes a surrogate
    // pair, every other lead byte one unit. A pair that would not fit whole
    // is left out whole, as the pane does.
    size_t nUnits = 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0) == 0x80)
            continue;
        nUnits += c >= 0xF0 ? 2 : 1;
        if (nUnits > PANE_LINE_CHARS)
            return text.substr(0, i) + "… (" + std::to_string(text.size()) + " bytes)";
    }
    return text;
}

std::string Displayed(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F)
            out += c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
        {
            char sz[8];
            std::snprintf(sz, sizeof sz, "\\x%02X", u);
            out += sz;
        }
    }
    return out;
}

std::string DateTimeText(std::time_t t)
{
    char sz[64] = "";
    if (const std::tm* pTm = std::localtime(&t))
        std::strftime(sz, sizeof sz, "%Y-%m-%d %H:%M:%S", pTm);
    return sz;
}
