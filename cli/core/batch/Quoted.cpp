#include "cli/core/batch/Quoted.h"

#include "files/Escape.h"
#include "payload/PlainText.h"

std::string Quoted(std::string_view text) {
    std::size_t characters = 0, cut = 0, length = 0;
    for (std::size_t at = 0; at < text.size(); at += length, ++characters) {
        PlainText::CodePointAt(text, at, length);
        if (characters == ShownNameLimit) cut = at; // never half a character
    }
    if (characters <= ShownNameLimit) return Escape::Shown(text, {.quoted = true});
    return Escape::Shown(text.substr(0, cut), {.quoted = true}) + "... (" +
           std::to_string(characters) + " characters)";
}
