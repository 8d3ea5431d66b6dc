#include "LogDocument.h"

#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>

#include <array>

namespace views {
namespace {

// Windows-1252 to UTF-16. A NUL shows as the visible symbol for NUL, so a
// binary byte never ends the text early.
const std::array<char16_t, 256>& table() {
    static const std::array<char16_t, 256> t = [] {
        std::array<char16_t, 256> a{};
        static const char16_t high[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        for (int i = 0; i < 256; ++i)
            a[static_cast<std::size_t>(i)] = static_cast<char16_t>(i);
        for (int i = 0; i < 32; ++i)
            a[static_cast<std::size_t>(0x80 + i)] = high[i];
        a[0] = 0x2400;
        return a;
    }();
    return t;
}

void appendConverted(QString& out, const char* data, qsizetype n) {
    const auto& t = table();
    const qsizetype at = out.size();
    out.resize(at + n);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data()) + at;
    for (qsizetype i = 0; i < n; ++i)
        dst[i] = t[static_cast<unsigned char>(data[i])];
}

} // namespace

LogDocument LogDocument::load(const QString& path) {
    QFile file(path);
    const auto fail = [&](const QString& reason) {
        return platform::Error(QStringLiteral("Não foi possível ler o arquivo \"%1\": %2")
                                   .arg(path, reason)
                                   .toStdString());
    };
    if (QFileInfo(path).isDir())
        throw fail(QStringLiteral("é uma pasta"));
    if (!file.open(QIODevice::ReadOnly))
        throw fail(file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw fail(file.errorString());
    return fromBytes(std::move(bytes));
}

LogDocument LogDocument::fromBytes(QByteArray bytes) {
    LogDocument doc;
    doc.bytes_ = std::move(bytes);
    doc.index();
    return doc;
}

void LogDocument::index() {
    starts_.clear();
    const char* p = bytes_.constData();
    const qsizetype n = bytes_.size();
    if (n == 0)
        return;
    starts_.reserve(static_cast<std::size_t>(n / 64 + 1));
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if (c != '\n' && c != '\r')
            continue;
        starts_.push_back(start);
        longest_ = std::max(longest_, i - start);
        if (c == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n) { // a last line without a terminator
        starts_.push_back(start);
        longest_ = std::max(longest_, n - start);
    }
}

qsizetype LogDocument::lineEnd(qsizetype index) const {
    const auto i = static_cast<std::size_t>(index);
    const qsizetype next = i + 1 < starts_.size() ? starts_[i + 1] : bytes_.size();
    qsizetype end = next;
    const qsizetype start = starts_[i];
    if (end > start && (bytes_[end - 1] == '\n' || bytes_[end - 1] == '\r')) {
        const bool lf = bytes_[end - 1] == '\n';
        --end;
        if (lf && end > start && bytes_[end - 1] == '\r')
            --end;
    }
    return end;
}

QString LogDocument::line(qsizetype index) const {
    if (index < 0 || index >= lineCount())
        return {};
    const qsizetype start = starts_[static_cast<std::size_t>(index)];
    QString out;
    appendConverted(out, bytes_.constData() + start, lineEnd(index) - start);
    return out;
}

QString LogDocument::text() const {
    QString out;
    out.reserve(bytes_.size());
    for (qsizetype i = 0; i < lineCount(); ++i) {
        if (i > 0)
            out += QLatin1Char('\n');
        const qsizetype start = starts_[static_cast<std::size_t>(i)];
        appendConverted(out, bytes_.constData() + start, lineEnd(i) - start);
    }
    return out;
}

} // namespace views
