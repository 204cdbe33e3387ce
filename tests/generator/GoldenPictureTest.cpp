// The composed pictures of versions 1–13 are fixed: these hashes are of pictures checked by eye
// and by readers, so any change of a pixel shows here.
#include "CapacityPayloads.h"
#include "SymbolComposition.h"
#include "clsQRCode.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>

namespace {

struct GoldenPicture {
    int version;
    bool withLogo;
    const char* sha256;
};

QImage DefaultLogo() {
    return QImage(QStringLiteral(QUORLIK_SOURCE_DIR "/resources/pictures/logo-fu.png"));
}

QByteArray PixelHash(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (int y = 0; y < rgb.height(); ++y)
        hash.addData(
            QByteArrayView(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 4));
    return hash.result().toHex();
}

const GoldenPicture Goldens[] = {
    {1, false, "deb77fc9a7c19e0c982ef05bcd42cbf090a0271f8bff97d92e27f6676c0c299a"},
    {2, false, "17ecaa20951af2895e33de9b05195ff441690b138f363960320fba1448d92348"},
    {3, false, "c2ed4cf13b8a176c6096c95d9f1d53d52e3ad7ba52a253fd46d916c60fa1c2d8"},
    {4, false, "15808ba758a5f5c1199e040ce19fb69af40123291e7be1b57b0db3eb1a161662"},
    {5, false, "4816a41b2a26b0b57bb889be0cfc8382b2de12451dcf504c0fa03c981e1bd3e5"},
    {6, false, "28e8941c0764269a08dd847a33511b3f27f75aecc24d4b27f280508fccaef304"},
    {7, false, "2106318092c7dd5f9d88eea6b5aa9544e430a4fbcff74261292b492a6b456c31"},
    {8, false, "46f1163c4ac0059481912b3efec5b5ac5ff2d086e5335a21a1334dd0437fe91c"},
    {9, false, "a0568e5df29d5e7b2bbaea7d27a763a57635de881344a45605868bbe6810a021"},
    {10, false, "b0231cd9728ee1d6c4a36fd0e2d9c08ce9465281a5aa81ba3d776f17ae1ee4cd"},
    {11, false, "56154e081df86e5b3c64cebb3c88490af748513ec1deaa25edbecb34e57999cb"},
    {12, false, "ff295955065d1e2b26e1174801473a72aa6c2bafae207ebb3aaae5329889d835"},
    {13, false, "79a111fdcbed91bf2b1a65a3d6f0e3c0bf2dfce7513276b36be19b87ebf9afa1"},
    {1, true, "07b034cf331b68e99e9e1fccb41b6aaf5f44b6a72ccadc604abd34e2ce24229d"},
    {3, true, "63de6bd976ae0d19175ae9ad12355b21af3f641e5fef11f8eefe45864f8b7309"},
    {4, true, "4313e2edd6ad84ec90c98c244c6db69c39179c28e558f03aa93651b422dd3567"},
    {5, true, "f80d494de448dd011962c396cea5a1233ad2d60a244df13933167a42e6b6437f"},
    {6, true, "b571843d85ff13559a48360eb07602ed2d867d0fbd5ae99ca1c7a43c45eeb340"},
    {7, true, "273377de72d2dcea0d06fa715c151d63aa70752b0914dfb450a2ea48e01066bc"},
    {8, true, "34bff527d97ecaec2afd2d94f77e5555be92263f0eee2c024f7e779a4ede652f"},
    {9, true, "22ef45dde9e03d663a229e932b7ee976a3b22bf923d6be753505ff102b36a3d6"},
    {10, true, "d2aa8baa210157f6d8644095c272058f48a35a23ad97f48bd7195c40bcec39d9"},
    {11, true, "7cdb45ead35c5bcb179a3307cd29776ad693e14adfc120897f11e3f7b5798f5a"},
    {12, true, "54676e8f41348f176e64df0e7bf294c13fec4a343c8ed440b3d3a2427bcd898a"},
    {13, true, "b220b3a96fe22798f357dc5dbc961f0e246ff268e371cac182456016abff2185"},
};

} // namespace

TEST(GoldenPictures, VersionsOneToThirteenAreDrawnAsBefore) {
    const QImage logo = DefaultLogo();
    ASSERT_FALSE(logo.isNull());
    clsQRCode encoder;
    for (const GoldenPicture& golden : Goldens) {
        const SymbolComposition::Generated generated = SymbolComposition::Generate(
            encoder, QString::fromLatin1(PayloadFillingVersion(golden.version)), logo,
            golden.withLogo);
        ASSERT_TRUE(generated.madeSymbol);
        EXPECT_EQ(PixelHash(generated.picture).toStdString(), std::string(golden.sha256))
            << "version " << golden.version << (golden.withLogo ? " with logo" : "");
    }
}
