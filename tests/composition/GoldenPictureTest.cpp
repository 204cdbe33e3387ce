// The composed pictures of versions 1–13 are fixed: these hashes are of pictures checked by eye
// and by readers, the ones with a logo drawn with the default logo of resources/pictures, so any
// change of a pixel shows here.
#include "composition/SymbolComposition.h"
#include "composition/SymbolJob.h"
#include "encoder/clsQRCode.h"
#include "tests/support/CapacityPayloads.h"

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
    {1, true, "300a2e2a8809005f75c80ca513a6e8dd7696375b6bc3b284ae23db78c5c87755"},
    {3, true, "bfe98482d0ec5562926db22275de27cc0c904b6c737d2d7f17ea968620a1efbb"},
    {4, true, "f1e3a58bf89092517b6315a27f3351c360dbebd09253e9a521b01f588ec7d74c"},
    {5, true, "7d8241285c61847f308e5c8f2c678cd813349b382857894b935da4e38a042043"},
    {6, true, "215671fe7959b7ac0d5317a7180ef3980ae8da2300026713bebf9b6bba7b03eb"},
    {7, true, "13cd0bbb0607008f9e1dbfadaa4b437cb680f12ab8f1ebbdc7d4dfbc9a1d8c7f"},
    {8, true, "777d1c227b6ad036313c3a24c66f6a3f224533c77d849b72c387838db7dc13b3"},
    {9, true, "ccb5f86bb9566fd936782232ae8e7a40682a519c03f8123413e28fcf43b4ef69"},
    {10, true, "02ab64a3cc1910f5453ba376f499ac92c315197e565130a50652d9d0032fbfd5"},
    {11, true, "36a92dc3b981310ffe518638f3ced1a62b76dbb4e444900f039e7d30e201a99c"},
    {12, true, "dc7506bf988eb93a13253b50843dd583cbf784531f46ded9bc52abb837d450b2"},
    {13, true, "80c9df066749a65b9fcb09d51460b3260682ae68834e9135af406922d6f78efb"},
};

} // namespace

TEST(GoldenPictures, VersionsOneToThirteenAreDrawnAsBefore) {
    const QImage logo = DefaultLogo();
    ASSERT_FALSE(logo.isNull());
    clsQRCode encoder;
    for (const GoldenPicture& golden : Goldens) {
        const SymbolJob::Generated generated =
            SymbolJob::Generate(encoder, QString::fromLatin1(PayloadFillingVersion(golden.version)),
                                logo, golden.withLogo);
        ASSERT_TRUE(generated.madeSymbol);
        EXPECT_EQ(PixelHash(generated.picture).toStdString(), std::string(golden.sha256))
            << "version " << golden.version << (golden.withLogo ? " with logo" : "");
    }
}
