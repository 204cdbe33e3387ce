#include "tests/support/CapacityPayloads.h"

QByteArray PayloadFillingVersion(int version) {
    static constexpr int ByteCapacityAtQ[] = {
        0,   11,  20,  32,   46,   60,   74,   86,   108,  130,  151,  177,  203, 241,
        258, 292, 322, 364,  394,  442,  482,  509,  565,  611,  661,  715,  751, 805,
        868, 908, 982, 1030, 1112, 1168, 1228, 1283, 1351, 1423, 1499, 1579, 1663};
    const QByteArray pattern = "quorlik-erweima/";
    QByteArray payload;
    while (payload.size() < ByteCapacityAtQ[version]) payload += pattern;
    payload.truncate(ByteCapacityAtQ[version]);
    return payload;
}
