#pragma once

#include "link/board_state.h"
#include "link/frame_decoder.h"

#include <QByteArray>
#include <QString>

namespace zorvan::sim {

// One JSON object on one line, keys in the order they were added, so that
// "t_ms" comes first and a person can read the stream as it scrolls by.
class JsonLine {
public:
    JsonLine &add(const char *key, const QString &value);
    JsonLine &add(const char *key, qint64 value);
    JsonLine &add(const char *key, bool value);
    JsonLine &addRaw(const char *key, const QByteArray &json);
    QByteArray text() const { return '{' + m_body + '}'; }

private:
    void addKey(const char *key);
    QByteArray m_body;
};

QByteArray jsonString(const QString &text);
QString hexBytes(const QByteArray &bytes);

QByteArray frameLine(const DecodedFrame &frame, const ApplyResult &result);
QByteArray strayLine(const StrayBytes &stray);
// The whole board: working memory, stored flag and what is on air now.
QByteArray stateLine(const BoardState &board, qint64 nowMs);
QByteArray readyLine(const QString &link, const QString &device, int baud);

QString outcomeName(ApplyOutcome outcome);

} // namespace zorvan::sim
