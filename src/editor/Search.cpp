// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/Search.h"

#include <algorithm>

namespace editor {

namespace {

const QChar Quote(u'"');

// The text of a search that ran out depends only on the count and the searched text.
QString RanOut(const SearchState& state, const QString& countTail, const QString& missingTail) {
    if (state.MatchCount != 0) return CountText(state.MatchCount) + countTail;
    return Quote + state.FindText + Quote + missingTail;
}

// After a Replace dialog search that found nothing: the next "Replace" press searches first.
Message ReplaceRanOut(SearchState& state, bool ideographicSpace) {
    Message m = ReplaceDialogMessage(state, ideographicSpace);
    state.NoMatchSelected = true;
    state.MatchCount = 0;
    return m;
}

} // namespace

void StringPane::Select(int start, int length) {
    Start = std::clamp(start, 0, int(Content.size()));
    Length = std::clamp(length, 0, int(Content.size()) - Start);
}

void StringPane::ReplaceRange(int start, int length, const QString& with) {
    Content.replace(start, length, with);
    Start = start + int(with.size());
    Length = 0;
}

void StringPane::ReplaceAll(const std::vector<TextEdit>& edits, const QString& with) {
    for (auto it = edits.rbegin(); it != edits.rend(); ++it)
        Content.replace(it->Start, it->Length, with);
    if (!edits.empty()) {
        // The caret ends behind the last inserted text, as after typing it.
        const TextEdit& last = edits.back();
        const int shift = int(edits.size() - 1) * (int(with.size()) - last.Length);
        Start = last.Start + shift + int(with.size());
        Length = 0;
    }
}

int FindInText(const QString& text, const QString& what, int32_t searchPos) {
    const qsizetype from = std::max<int64_t>(0, int64_t(searchPos));
    if (what.isEmpty()) return int(std::min<qsizetype>(from, text.size()));
    if (from >= text.size()) return -1;
    return int(text.indexOf(what, from, Qt::CaseSensitive));
}

bool FindNext(SearchState& state, SearchPane& pane, const QString& text) {
    const int at = FindInText(text, state.FindText, state.SearchPos);
    if (at < 0) return false;
    pane.Select(at, int(state.FindText.size()));
    state.SearchPos = at + int32_t(state.FindText.size());
    return true;
}

void ReplaceSelection(SearchState& state, SearchPane& pane) {
    const int s = std::clamp(pane.SelStart(), 0, int(state.ReplaceBuffer.size()));
    const int n = std::min(int(state.FindText.size()), int(state.ReplaceBuffer.size()) - s);
    state.ReplaceBuffer.replace(s, n, state.ReplaceText);
    pane.ReplaceRange(s, n, state.ReplaceText);
    state.SearchPos = s + int32_t(state.ReplaceText.size());
    state.MatchCount = state.MatchCount + 1;
}

QString CountText(float count) {
    return QString::number(static_cast<long long>(count));
}

Message NextFindMessage(const SearchState& state) {
    return {QStringLiteral("Find"),
            RanOut(state, QStringLiteral(" times find."), QStringLiteral(" not find."))};
}

Message FindDialogMessage(const SearchState& state) {
    return {QStringLiteral("検索"), RanOut(state, QStringLiteral(" 回 見つかりました。"),
                                           QStringLiteral(" は見つかりませんでした。"))};
}

Message ReplaceDialogMessage(const SearchState& state, bool ideographicSpace) {
    // The Replace button's count message has an ideographic space between the two words.
    const QString tail =
        ideographicSpace ? QStringLiteral(" 回\u3000変更しました。") : QStringLiteral(" 回 変更しました。");
    return {QStringLiteral("置き換え"), RanOut(state, tail, QStringLiteral(" 見つかりませんでした。"))};
}

std::optional<Message> NextFindCommand(SearchState& state, SearchPane& pane) {
    state.SearchPos = pane.SelStart() + 1;
    if (FindNext(state, pane, pane.Text())) {
        state.MatchCount = state.MatchCount + 1;
        return std::nullopt;
    }
    Message m = NextFindMessage(state);
    state.FindFromTop = true;
    state.MatchCount = 0;
    return m;
}

std::optional<Message> FindDialogNextFind(SearchState& state, SearchPane& pane, bool& fromTop) {
    if (fromTop) {
        state.SearchPos = 0;
        fromTop = false;
    } else {
        state.SearchPos = pane.SelStart() + 1;
    }
    if (FindNext(state, pane, pane.Text())) {
        state.MatchCount = state.MatchCount + 1;
        return std::nullopt;
    }
    Message m = FindDialogMessage(state);
    fromTop = true;
    state.MatchCount = 0;
    return m;
}

std::optional<Message> ReplaceDialogSkip(SearchState& state, SearchPane& pane, bool& fromTop) {
    if (fromTop) {
        state.SearchPos = 0;
        fromTop = false;
    }
    if (FindNext(state, pane, state.ReplaceBuffer)) return std::nullopt;
    return ReplaceRanOut(state, false);
}

std::optional<Message> ReplaceDialogReplace(SearchState& state, SearchPane& pane, bool& fromTop) {
    if (fromTop) {
        state.SearchPos = 0;
        fromTop = false;
    } else {
        state.SearchPos = pane.SelStart() + 1;
    }
    if (state.NoMatchSelected) {
        state.NoMatchSelected = false; // this press only selects the first match
    } else {
        ReplaceSelection(state, pane);
    }
    if (FindNext(state, pane, state.ReplaceBuffer)) return std::nullopt;
    fromTop = true;
    return ReplaceRanOut(state, true);
}

std::optional<Message> ReplaceDialogAllReplace(SearchState& state, SearchPane& pane, bool& fromTop) {
    // An empty search text would be found forever; the dialog never offers All replace then.
    if (state.FindText.isEmpty()) return std::nullopt;
    if (fromTop) state.SearchPos = 0;
    if (state.SearchPos > 1) state.SearchPos -= 2;
    // NOTE: the matches are collected in one pass and applied as one edit instead of searching
    // and replacing the whole text once per match; the resulting text, count and search
    // position are those of the step-by-step search, without its quadratic cost on long programs.
    const std::vector<TextEdit> edits =
        AllReplaceMatches(state.ReplaceBuffer, state.FindText, state.SearchPos);
    if (!edits.empty()) {
        const int grow = int(state.ReplaceText.size()) - int(state.FindText.size());
        QString result;
        result.reserve(state.ReplaceBuffer.size() + qsizetype(edits.size()) * std::max(0, grow));
        int copied = 0;
        for (const TextEdit& e : edits) {
            result.append(QStringView(state.ReplaceBuffer).mid(copied, e.Start - copied));
            result.append(state.ReplaceText);
            copied = e.Start + e.Length;
        }
        result.append(QStringView(state.ReplaceBuffer).mid(copied));
        state.ReplaceBuffer = std::move(result);
        pane.ReplaceAll(edits, state.ReplaceText);
        const int lastStart = edits.back().Start + int(edits.size() - 1) * grow;
        state.SearchPos = lastStart + int32_t(state.ReplaceText.size());
        state.MatchCount = state.MatchCount + float(edits.size());
    }
    fromTop = true;
    return ReplaceRanOut(state, false);
}

std::vector<TextEdit> AllReplaceMatches(const QString& text, const QString& what, int from) {
    std::vector<TextEdit> edits;
    if (what.isEmpty()) return edits;
    qsizetype at = std::max(0, from);
    while (at < text.size()) {
        at = text.indexOf(what, at, Qt::CaseSensitive);
        if (at < 0) break;
        edits.push_back({int(at), int(what.size())});
        at += what.size();
    }
    return edits;
}

} // namespace editor
