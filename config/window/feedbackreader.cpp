#include "feedbackreader.h"

#include <algorithm>

namespace {
const QString kReset = QStringLiteral("Reset...");
const QString kOff = QStringLiteral("OFF");
const QString kOn = QStringLiteral("ON");
} // namespace

FeedbackScanner::FeedbackScanner(QStringList optionNames)
    : names_(std::move(optionNames)), named_(size_t(names_.size()), false)
{
    qsizetype longest = kReset.size();
    for (const QString& name : names_)
        longest = std::max(longest, name.size());
    overlap_ = longest - 1;
}

void FeedbackScanner::clear()
{
    tail_.clear();
    reset_ = off_ = on_ = false;
    std::fill(named_.begin(), named_.end(), false);
}

void FeedbackScanner::look(const QString& text)
{
    // Only words that end in the new text can be new: the window reaches
    // back just far enough for the longest word.
    const QString window = tail_ + text;
    reset_ = reset_ || window.contains(kReset, Qt::CaseSensitive);
    off_ = off_ || window.contains(kOff, Qt::CaseSensitive);
    on_ = on_ || window.contains(kOn, Qt::CaseSensitive);
    for (size_t i = 0; i < named_.size(); ++i)
        named_[i] = named_[i] || window.contains(names_[qsizetype(i)], Qt::CaseSensitive);
    tail_ = window.right(overlap_);
}

FeedbackReading FeedbackScanner::take(const QString& added)
{
    look(added);
    FeedbackReading out;
    out.resetDetected = reset_;
    if (!off_ && !on_)
        return out;   // the text is searched again when more arrives
    out.on = !off_;
    const auto first = std::find(named_.begin(), named_.end(), true);
    if (first == named_.end())
        return out;
    out.option = int(first - named_.begin());
    // A reply was read: from its last character on, everything is new again.
    const QString last = tail_.right(1);
    clear();
    look(last);
    return out;
}
