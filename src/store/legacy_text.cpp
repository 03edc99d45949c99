#include "store/legacy_text.h"

#include <QByteArray>
#include <cerrno>
#include <iconv.h>

LegacyDecoder::LegacyDecoder(const char* encoding) : cd_(iconv_open("UTF-8", encoding)) {}

LegacyDecoder::~LegacyDecoder()
{
    if (Valid())
        iconv_close(static_cast<iconv_t>(cd_));
}

bool LegacyDecoder::Valid() const { return cd_ != reinterpret_cast<void*>(-1); }

qsizetype LegacyDecoder::Convert(QByteArrayView in, const std::function<void(const char*, size_t)>& sink)
{
    if (!Valid())
        return 0;
    const iconv_t cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[16384];
    char* ip = const_cast<char*>(in.data());
    size_t il = size_t(in.size());
    while (il > 0) {
        char* op = buffer;
        size_t ol = sizeof buffer;
        const bool ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1);
        if (sink)
            sink(buffer, size_t(op - buffer));
        if (!ok && errno != E2BIG)
            return ip - in.data();
    }
    return -1;
}

std::optional<QString> LegacyDecoder::Decode(QByteArrayView in)
{
    QByteArray utf8;
    utf8.reserve(in.size() * 3 / 2 + 8);  // two bytes of Hangul become three
    if (Convert(in, [&](const char* p, size_t n) { utf8.append(p, qsizetype(n)); }) >= 0)
        return std::nullopt;
    return QString::fromUtf8(utf8);
}
