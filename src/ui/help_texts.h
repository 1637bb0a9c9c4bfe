#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace zorvan {

enum class HelpKind { Text, Picture };

// The pictures of the picture help window, by their index in `Image1`.
enum class HelpPicture { Countries = 0, CoverageAreas = 1, TrafficFlags = 2 };

// What one button of the `Command1` array shows. Text helps join the parts
// of body and note with carriage returns (code 13).
struct Command1Help {
    HelpKind kind = HelpKind::Text;
    QString title;
    QString heading;
    QString body;
    QString note;
    HelpPicture picture = HelpPicture::Countries;
};

// Nothing for an index that has no button.
std::optional<Command1Help> command1Help(int index);
// Every index that has a button, ascending.
QList<int> command1HelpIndices();

// The separate help buttons that show one message box each.
enum class MessageHelp { Command3, Command13, Command15, Command17 };

// Message texts join their paragraphs with line feeds (code 10).
QString messageHelpText(MessageHelp which);
QString setupHelpText();

} // namespace zorvan
