#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace views {

// A text file held as its bytes plus an index of where each line starts, so
// that a viewer converts and paints only the lines it shows. Lines end at
// CR, LF or CR LF; the bytes are Windows-1252 text, any byte allowed.
class LogDocument {
public:
    LogDocument() = default;
    // Raises platform::Error naming the file and the reason when it cannot be read.
    static LogDocument load(const QString& path);
    static LogDocument fromBytes(QByteArray bytes);

    qsizetype lineCount() const { return static_cast<qsizetype>(starts_.size()); }
    QString line(qsizetype index) const;
    qsizetype longestLine() const { return longest_; }
    qsizetype size() const { return bytes_.size(); }
    // Every line joined with "\n" (for files small enough for a text area).
    QString text() const;

private:
    void index();
    qsizetype lineEnd(qsizetype index) const;

    QByteArray bytes_;
    std::vector<qsizetype> starts_;
    qsizetype longest_ = 0;
};

} // namespace views
