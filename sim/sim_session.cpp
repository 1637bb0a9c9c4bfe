#include "sim_session.h"

#include "json_line.h"
#include "link/wire_text.h"

namespace zorvan::sim {

namespace {

QString visible(const QByteArray &value)
{
    QString text = fromWireText(value);
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = QChar(0x00B7);
    }
    return text;
}

} // namespace

SimSession::SimSession(std::FILE *out, QObject *parent)
    : QObject(parent)
    , m_out(out)
{
    m_clock.start();
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &SimSession::finishInput);
}

void SimSession::receive(const QByteArray &bytes)
{
    handle(m_decoder.feed(bytes, nowMs()));
    if (m_decoder.isIdle())
        m_quiet.stop();
    else
        m_quiet.start();
}

void SimSession::finishInput()
{
    handle(m_decoder.finish());
}

void SimSession::handle(std::vector<DecoderEvent> events)
{
    for (const DecoderEvent &event : events) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
            const ApplyResult result = m_board.apply(*frame);
            writeLine(frameLine(*frame, result));
            const QString what = result.outcome == ApplyOutcome::Applied
                ? result.detail
                : QStringLiteral("\"%1\"  ! %2").arg(visible(frame->value), result.detail);
            emit logged(QStringLiteral("%1  %2  %3")
                            .arg(frame->endMs / 1000.0, 8, 'f', 3)
                            .arg(QString::fromLatin1(frame->name), -4)
                            .arg(what));
        } else {
            const auto &stray = std::get<StrayBytes>(event);
            writeLine(strayLine(stray));
            emit logged(QStringLiteral("%1  ! %2: %3")
                            .arg(stray.startMs / 1000.0, 8, 'f', 3)
                            .arg(strayReasonName(stray.reason), hexBytes(stray.bytes.left(24))));
        }
    }
}

void SimSession::writeState()
{
    writeLine(stateLine(m_board, nowMs()));
}

void SimSession::writeLine(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, line.size(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

} // namespace zorvan::sim
