// What a command prints: aligned tables for people, JSON for scripts, and
// one way of reporting a failure with its exit status. Everything printed
// for people, table cells and messages alike, is spelled as a terminal shows
// a device's text (vd::TerminalText): a device's name, a value read from it
// or a plan's value reaches the terminal escaped, never as control bytes.
#ifndef VANDREL_CLI_OUTPUT_H
#define VANDREL_CLI_OUTPUT_H

#include <string>
#include <vector>

#include "json_text.h"

namespace vdcli {

using Row = std::vector<std::string>;

// Columns padded to their widest cell, a header line and a rule under it;
// each cell escaped.
std::string FormatTable(const Row &header, const std::vector<Row> &rows);

// The lines of a text of the tool's own (never one that holds a device's).
std::vector<std::string> LinesOf(const std::string &text);

class Printer {
public:
    Printer(std::string command, bool json) : m_command(std::move(command)), m_json(json) {}
    // JSON mode for a command run in a program's own process: the document
    // is kept in *document instead of printed, as a reader of the printed
    // text gets it (a device's byte outside UTF-8 as the character that
    // stands for it, json_text.h).
    Printer(std::string command, JsonValue *document)
        : m_command(std::move(command)), m_json(true), m_document(document) {}
    bool Json() const { return m_json; }

    // Text mode only: a line (escaped, so on one line) or a table on
    // standard output.
    void Line(const std::string &text) const;
    void Table(const Row &header, const std::vector<Row> &rows) const;
    // JSON mode only: the document on standard output (or kept).
    void Document(const JsonValue &doc) const;
    // A note for people on standard error, in both modes (progress, hints);
    // none when the document is kept.
    void Note(const std::string &text) const;

    // Reports a failure: "vandrel CMD: message" on standard error and, in
    // JSON mode, doc with "error": message and "code": code added on
    // standard output. Returns exitStatus for the caller to return.
    int Fail(const std::string &message, int code, int exitStatus, JsonValue doc = JsonValue::object()) const;
    // The same for a message of several lines, each escaped on its own; the
    // JSON "error" joins them with line breaks.
    int Fail(const std::vector<std::string> &lines, int code, int exitStatus,
             JsonValue doc = JsonValue::object()) const;

private:
    std::string m_command;
    bool m_json;
    JsonValue *m_document = nullptr;
};

}  // namespace vdcli

#endif
