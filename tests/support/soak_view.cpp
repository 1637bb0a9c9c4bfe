#include "soak_view.h"

#include <utility>

namespace zorvan::test {

SoakView::SoakView(const StationSettings &settings)
    : labels(LabelList::fromSettings(settings))
{
}

QString SoakView::labelText(int index) const
{
    return labels.texts.at(static_cast<std::size_t>(index));
}

int SoakView::labelDelay(int index) const
{
    return labels.delays.at(static_cast<std::size_t>(index));
}

void SoakView::setLabelText(int index, const QString &text)
{
    labels.texts.at(static_cast<std::size_t>(index)) = text;
}

void SoakView::setLabelDelay(int index, int position)
{
    labels.delays.at(static_cast<std::size_t>(index)) = position;
}

void SoakView::showMessage(const QString &text, std::function<void()> closed)
{
    messages.append(text);
    std::move(closed)();
}

void SoakView::reportLinkFailure(LinkOutcome outcome, std::function<void()> closed)
{
    failures.push_back(outcome);
    std::move(closed)();
}

} // namespace zorvan::test
