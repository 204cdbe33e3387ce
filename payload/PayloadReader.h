#pragma once

#include <string>
#include <vector>

// The page a payload comes from and that page's fields: the inverse of PayloadComposer::Compose,
// for a picture read back into the window. A record one of the pages makes (MECARD, MAIL,
// MEBKM, SMS or WIFI, its keys and escapes exactly as that page writes them) gives that page
// with its fields unescaped; anything else, a vCard or a bare address included, gives the text
// page with the whole payload. Composing the result again gives the payload back, but for line
// breaks other than CR LF, which every page writes as CR LF. Text is UTF-8.
namespace PayloadReader {

struct PageFields {
    int page = 0; // a PayloadComposer::Page
    std::vector<std::string> fields;
};

PageFields Read(const std::string& payload);

} // namespace PayloadReader
