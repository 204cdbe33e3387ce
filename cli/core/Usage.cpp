#include "cli/core/Usage.h"

#include "quorlik/Version.h"

std::string VersionText() {
    return std::string("quorlik-qr ") + QUORLIK_VERSION + "\n";
}

std::string UsageText() {
    return R"(usage: quorlik-qr [options] [TEXT]
       quorlik-qr [options] --kind KIND --field NAME=VALUE...
       quorlik-qr --batch FILE.csv --out-dir DIR [batch options]
       quorlik-qr --decode [--info] FILE...
The payload is TEXT taken as bytes, or -r FILE, or standard input when TEXT is
absent or "-"; at most 7089 bytes, the most any symbol holds. With --kind or
--field it is composed from the fields instead, as UTF-8.

symbol:
  -l, --level L|M|Q|H   error-correction level, default Q
  -v, --symversion N    0 (default) = smallest that fits, 1..40 forces it
  -m, --mask N          mask pattern 0..7, default 0
  -k, --kanji           allow Kanji mode (for Shift JIS input); default off
  -M, --micro           a Micro QR symbol: -v 1..4 forces M1..M4, levels L
                        (default), M and Q (Q only in M4; M1 only detects
                        errors), -m 0..3 or the standard's choice, margin 2;
                        not with --compose or --eci
      --rmqr            a rectangular Micro QR (rMQR) symbol: the least area
                        that holds the payload, or -v R7x43 .. R17x139; levels
                        M (default) and H, margin 2; not with --compose, --eci
                        or --verify
      --structured      with -v N: split the payload over up to 16 symbols of
                        version N (structured append); -o NAME.png writes
                        NAME-01.png, NAME-02.png ...
output (default: the symbol as text art on standard output):
  -t, --type TYPE       utf8 (half blocks; coloured on a terminal unless
                        NO_COLOR is set), ansi (half blocks, black on white
                        colour escapes) or ascii ("##" a dark module); or the
                        image format of -o -: png, jpg, gif, tif, bmp, svg,
                        eps, pdf
  -o, --output FILE     write a picture in the format the extension names:
                        png, jpg/jpeg, gif, tif/tiff, bmp, svg, eps or pdf;
                        "-" writes PNG (or -t's format) to standard output
  -s, --scale N         pixels per module of -o, 1..100, default 1
      --margin N        light modules around the symbol, default 4
      --foreground RRGGBB[AA]  colour of the dark modules, default 000000
      --background RRGGBB[AA]  colour of the light ones, default FFFFFF; AA 00
                        is transparent (not in jpg or bmp); pairs of too
                        little contrast for readers are refused
      --matrix          print the symbol as h lines of h characters, '1' dark,
                        '0' light, no margin
      --info            print version=V (M1..M4, R13x77 ...) level=L mask=M
                        bits=D segments=byte:17,numeric:10 (the modes in
                        stream order with their byte counts) of the symbol
      --compose         with -o: the window's 240 x 240 picture instead
      --logo FILE       with --compose: paint this picture (PNG, JPG, GIF,
                        BMP, TIFF or SVG) into the centre; the symbol is then
                        at least version 3
content:
  -r, --read FILE       read the payload from FILE
      --kind KIND       text (default), mail, bookmark, sms, contact, wifi or
                        vcard; the payload is composed as the window does
      --field NAME=VALUE  a field of the kind, e.g. ssid=... password=...
                        security=WPA|WEP|nopass hidden=true for wifi
      --eci             declare UTF-8 in the symbol (ECI 26), for readers
                        that would guess another character set; also batch
      --decode          print the payload of each FILE's symbol (PNG, JPG,
                        GIF, TIFF, BMP, SVG), the parts of a structured-append
                        sequence joined; --info: version, level, mask, eci,
                        part; exit 1 when one holds no symbol or parts miss
batch (one picture per CSV row; columns file, kind and the kind's fields):
      --batch FILE.csv  CSV with a header row; kinds text, mail, bookmark,
                        sms, contact, wifi, vcard
      --out-dir DIR     existing folder for the pictures
      --format F        png (default), jpg, gif, tif, bmp, svg, eps or pdf;
                        --foreground and --background apply to every row,
                        columns foreground and background to their row
      --encoding NAME   the CSV's character set, default UTF-8 (GB18030: GBK)
  -s, --scale N         pixels per module without --compose, default 8
      --margin N        light modules around the symbol, default 4
      --verify          read every written file back; fail rows that do not
                        scan to the payload
  -j, --jobs N          rows computed in parallel, default: the number of cores
      --shard K/N       make only rows K, K+N, K+2N...: N runs together make
                        the whole batch (GNU parallel, a job array)
      --manifest FILE   write FILE (CSV): row, file, kind, version, level,
                        payload bytes and SHA-256, verified, outcome
      --sheet FILE.pdf  also lay every symbol made out on pages to print, each
                        with its file name under it (vectors, A4, 5 x 7)
      --sheet-grid CxR  C columns by R rows a page (up to 20 x 30)
      --sheet-paper P   A4 (default), Letter or A3
      --caption COLUMN  print that column's value under each symbol instead
      --cut-marks       mark the corners of every cell for cutting
  -h, --help            this help
  -V, --version         the program's version
exit status: 0 done; 1 the payload fits no symbol at that level and version
(batch: some rows failed); 2 bad usage or unreadable input, with a one-line
message on standard error
)";
}
