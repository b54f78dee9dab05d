#include "output.h"

#include <algorithm>
#include <cstdio>

namespace vdcli {

std::string FormatTable(const Row &header, const std::vector<Row> &rows) {
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
    if (!m_json) std::printf("%s\n", text.c_str());
}

void Printer::Table(const Row &header, const std::vector<Row> &rows) const {
    if (!m_json) std::fputs(FormatTable(header, rows).c_str(), stdout);
}

void Printer::Document(const JsonValue &doc) const {
    if (m_json) std::printf("%s\n", JsonText(doc, 2).c_str());
}

void Printer::Note(const std::string &text) const { std::fprintf(stderr, "%s\n", text.c_str()); }

int Printer::Fail(const std::string &message, int code, int exitStatus, JsonValue doc) const {
    std::fprintf(stderr, "vandrel %s: %s\n", m_command.c_str(), message.c_str());
    if (m_json) {
        doc["error"] = message;
        doc["code"] = code;
        Document(doc);
    }
    return exitStatus;
}

}  // namespace vdcli
