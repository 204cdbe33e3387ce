#include "cli/core/batch/OutputName.h"

#include "cli/core/batch/Quoted.h"
#include "payload/PlainText.h"

namespace {

std::string ProblemWithPart(const std::string& part) {
    if (part.empty()) return "has an empty folder part";
    if (part == "." || part == "..") return "would leave the output folder";
    for (const char c : part) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "contains a control character";
        // On Linux a backslash is an ordinary character, but a name like "..\\x" was meant as
        // a path by whoever wrote it on Windows; refusing it is the safe reading.
        if (c == '\\') return "contains a backslash";
    }
    return {};
}

} // namespace

OutputName MakeOutputName(const std::string& fileCell, int rowNumber) {
    const std::string name = PlainText::Trimmed(fileCell);
    if (name.empty()) return {std::to_string(rowNumber), {}};
    if (name.front() == '/') return {{}, "file name " + Quoted(name) + " is an absolute path"};
    for (const std::string& part : PlainText::Split(name, '/'))
        if (const std::string problem = ProblemWithPart(part); !problem.empty())
            return {{}, "file name " + Quoted(name) + ' ' + problem};
    return {name, {}};
}
