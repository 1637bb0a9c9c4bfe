#pragma once

#include "link/transmission.h"

#include <QString>

#include <array>

namespace zorvan {

// Status texts and progress values shared by every upload of the label
// list ("Send RT and PS" and the dynamic engine). The percent figures in the
// texts are i / 2 and 50 + i / 2 without trailing zeros (0, 0.5, 1 ... 99.5).
QString labelStatusText(int index); // "Sending PS1 to RDS encoder...0.5%"
QString delayStatusText(int index); // "Sending DELAY99 to RDS encoder...99.5%"
double labelProgress(int index); // i x 0.09 on the 0..21 bar
double delayProgress(int index); // 9 + i x 0.09

// "PS00".."PS99" and "PD00".."PD99".
QByteArray labelCommand(int index);
QByteArray delayCommand(int index);

// The radio-text value of a text upload: leading blanks removed, three
// carriage returns appended to the text's bytes, then cut to 64 bytes.
QByteArray radioTextUploadValue(const QString &rt);

// Leading blanks removed, as the value of a delay or message is sent.
QString withoutLeadingBlanks(const QString &text);

} // namespace zorvan
