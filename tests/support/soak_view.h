#pragma once

#include "content/auto_update_engine.h"

#include <QStringList>

#include <vector>

namespace zorvan::test {

// The window's dynamic-update page and label list as plain values, for runs
// of many ticks. A message box is closed at once, as by an operator who
// presses OK straight away, and its text is kept.
class SoakView : public AutoUpdateView {
public:
    explicit SoakView(const StationSettings &settings);

    DynamicMode dynamicMode() const override { return mode; }
    bool insertDateChecked() const override { return insertDate; }
    int autoDelayPosition() const override { return delay; }
    QString songSourcePath() const override { return path; }
    QString labelText(int index) const override;
    int labelDelay(int index) const override;
    void setLabelText(int index, const QString &text) override;
    void setLabelDelay(int index, int position) override;
    QString songDisplay() const override { return display; }
    void setSongDisplay(const QString &text) override { display = text; }
    QString radioTextField() const override { return rtField; }
    void setRadioTextField(const QString &text) override { rtField = text; }
    void showAutoUpdateOff() override { ++switchedOff; }
    void showMessage(const QString &text, std::function<void()> closed) override;
    void reportLinkFailure(LinkOutcome outcome, std::function<void()> closed) override;

    DynamicMode mode = DynamicMode::Split;
    bool insertDate = true;
    int delay = 3;
    QString path;
    LabelList labels;
    QString display;
    QString rtField;
    int switchedOff = 0;
    QStringList messages;
    std::vector<LinkOutcome> failures;
};

} // namespace zorvan::test
