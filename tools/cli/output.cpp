#include "output.h"

#include <algorithm>
#include <cstdio>

#include "codec/codec.h"
#include "json_read.h"

namespace vdcli {

namespace {

Row Escaped(const Row &row) {
    Row out;
    for (const std::string &cell : row) out.push_back(vd::TerminalText(cell));
    return out;
}

}  // namespace

std::vector<std::string> LinesOf(const std::string &text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string FormatTable(const Row &rawHeader, const std::vector<Row> &rawRows) {
    const Row header = Escaped(rawHeader);
    std::vector<Row> rows;
    for (const Row &r : rawRows) rows.push_back(Escaped(r));
    std::vector<size_t> width(header.size(), 0);
    auto measure = [&](const Row &r) {
        for (size_t i = 0; i < r.size() && i < width.size(); ++i) width[i] = std::max(width[i], r[i].size());
    };
    measure(header);
    for (const Row &r : rows) measure(r);
    auto line = [&](const Row &r) {
        std::string text;
        for (size_t i = 0; i < width.size(); ++i) {
            const std::string cell = i < r.size() ? r[i] : "";
            text += cell;
            if (i + 1 < width.size()) text += std::string(width[i] - cell.size() + 2, ' ');
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text + "\n";
    };
    std::string out = line(header);
    Row rule;
    for (size_t w : width) rule.push_back(std::string(w, '-'));
    out += line(rule);
    for (const Row &r : rows) out += line(r);
    return out;
}

void Printer::Line(const std::string &text) const {
    if (!m_json) std::printf("%s\n", vd::TerminalText(text).c_str());
}

void Printer::Table(const Row &header, const std::vector<Row> &rows) const {
    if (!m_json) std::fputs(FormatTable(header, rows).c_str(), stdout);
}

void Printer::Document(const JsonValue &doc) const {
    std::string unused;
    if (m_document)
        ParseJson(JsonText(doc), *m_document, unused);
    else if (m_json)
        std::printf("%s\n", JsonText(doc, 2).c_str());
}

// A program that keeps the document has what the notes say in it.
void Printer::Note(const std::string &text) const {
    if (!m_document) std::fprintf(stderr, "%s\n", vd::TerminalText(text).c_str());
}

int Printer::Fail(const std::string &message, int code, int exitStatus, JsonValue doc) const {
    return Fail(std::vector<std::string>{message}, code, exitStatus, std::move(doc));
}

int Printer::Fail(const std::vector<std::string> &lines, int code, int exitStatus, JsonValue doc) const {
    std::string shown, joined;
    for (const std::string &line : lines) {
        shown += (shown.empty() ? "" : "\n") + vd::TerminalText(line);
        joined += (joined.empty() ? "" : "\n") + line;
    }
    if (!m_document) std::fprintf(stderr, "vandrel %s: %s\n", m_command.c_str(), shown.c_str());
    if (m_json) {
        doc["error"] = joined;
        doc["code"] = code;
        Document(doc);
    }
    return exitStatus;
}

}  // namespace vdcli
