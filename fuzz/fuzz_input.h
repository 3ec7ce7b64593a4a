#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <type_traits>

namespace tandrel::fuzz {

// The bytes of one fuzz input read as a sequence of values, front to back.
// Past the end every value reads as zero, so a target never runs out of
// input; the same bytes always give the same values.
class FuzzInput
{
public:
    FuzzInput(const quint8 *data, size_t size) : m_data(data), m_size(size) { }

    bool atEnd() const { return m_pos >= m_size; }

    template<typename T> T integral()
    {
        static_assert(std::is_integral_v<T>);
        std::make_unsigned_t<T> value = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            value = (value << 8 | (m_pos < m_size ? m_data[m_pos++] : 0)) & std::make_unsigned_t<T>(~0ull);
        return T(value);
    }

    bool boolean() { return integral<quint8>() & 1; }

    // A number in [0, count), or 0 for count 0.
    quint32 below(quint32 count) { return count == 0 ? 0 : integral<quint32>() % count; }

    // Any double, NaN, infinities and denormals included.
    double anyDouble()
    {
        const quint64 bits = integral<quint64>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Either a plain value (a small integer or a fraction of one) or any bit pattern.
    double number()
    {
        const quint8 kind = integral<quint8>();
        if (kind < 0xC0)
            return double(integral<qint16>()) / double(1 + (kind & 0x3F));
        return anyDouble();
    }

    // Up to `most` bytes, the count first.
    QByteArray bytes(quint32 most)
    {
        const size_t count = std::min<size_t>(below(most + 1), m_size - std::min(m_pos, m_size));
        const QByteArray taken(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(count));
        m_pos += count;
        return taken;
    }

    // Text of up to `most` bytes: UTF-8, or (when the flag says so) raw UTF-16,
    // which can hold lone surrogates and anything else a QString can.
    QString text(quint32 most)
    {
        const bool utf16 = integral<quint8>() >= 0xE0;
        const QByteArray raw = bytes(most);
        if (!utf16)
            return QString::fromUtf8(raw);
        QString units(raw.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < units.size(); ++i)
            units[i] = QChar(char16_t(quint8(raw[2 * i]) | quint8(raw[2 * i + 1]) << 8));
        return units;
    }

    // What is left, whole.
    QByteArray rest()
    {
        const size_t start = std::min(m_pos, m_size);
        m_pos = m_size;
        return QByteArray(reinterpret_cast<const char *>(m_data + start), qsizetype(m_size - start));
    }

private:
    const quint8 *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace tandrel::fuzz
