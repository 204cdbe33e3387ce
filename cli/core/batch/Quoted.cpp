#include "cli/core/batch/Quoted.h"

#include "files/Escape.h"
#include "payload/PlainText.h"

std::string Quoted(std::string_view text) {
    const std::size_t characters = PlainText::CharacterCount(text);
    if (characters <= ShownNameLimit) return Escape::Shown(text, {.quoted = true});
    // Cut at a character boundary, never half a character.
    return Escape::Shown(text.substr(0, PlainText::BytesOfFirst(text, ShownNameLimit)),
                         {.quoted = true}) +
           "... (" + std::to_string(characters) + " characters)";
}
