#include "cli/core/FieldPayload.h"

#include "files/Escape.h"
#include "payload/PayloadKinds.h"
#include "payload/PlainText.h"

FieldPayload ComposeFieldPayload(const std::string& kind,
                                 const std::vector<std::pair<std::string, std::string>>& fields) {
    std::vector<std::string> assignments;
    for (const auto& [name, value] : fields) {
        // Field values are the user's bytes; a value that is not UTF-8 is refused rather than
        // guessed at, since the symbol would carry replacement characters instead of what was
        // typed.
        if (PlainText::FirstInvalidUtf8(value) != std::string::npos)
            return {{}, "--field " + name + ": the value is not UTF-8"};
        assignments.push_back(name + '=' + value);
    }
    const PayloadKinds::Composed composed = PayloadKinds::ComposeFromAssignments(kind, assignments);
    if (!composed.error.empty()) return {{}, Escape::Shown(composed.error)};
    return {std::vector<std::uint8_t>(composed.payload.begin(), composed.payload.end()), {}};
}
