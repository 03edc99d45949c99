#pragma once
// Text in the legacy encodings Korean files still come in (CP949, which also reads EUC-KR),
// through the C library's converters: Qt's own decoder may lack them here.
#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <functional>
#include <optional>

class LegacyDecoder {
public:
    // Valid() is false when the C library has no converter for the encoding.
    explicit LegacyDecoder(const char* encoding);
    ~LegacyDecoder();
    LegacyDecoder(const LegacyDecoder&) = delete;
    LegacyDecoder& operator=(const LegacyDecoder&) = delete;

    bool Valid() const;
    // Converts `in` piece by piece; `sink`, when given, receives each piece of UTF-8.
    // Returns -1, or the offset of the first byte that is not text in the encoding.
    qsizetype Convert(QByteArrayView in, const std::function<void(const char*, size_t)>& sink);
    // All of `in` as text; none when a byte is not text in the encoding.
    std::optional<QString> Decode(QByteArrayView in);

private:
    void* cd_;
};
