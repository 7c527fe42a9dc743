// TEngineText: conversion to engine bytes and the position map of surrogate pairs.
#include "app/engine_text.h"

#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

#include "windows/cp1252.h"

namespace NuvixApp {

TEngineText::TEngineText(const QString& text) : bytes_(NuvixWindows::ToCp1252(text)) {
    int byte = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++byte) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            pairBytes_.push_back(byte);
            ++i;
        }
    }
}

TEngineText TEngineText::OfDocument(const QTextDocument& document) {
    QString text;
    text.reserve(document.characterCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) text += QLatin1Char('\n');
        text += block.text();
    }
    return TEngineText(text);
}

int TEngineText::EditorPosition(int byte) const {
    // Every pair before the byte adds one editor unit.
    const auto pairsBefore = std::lower_bound(pairBytes_.begin(), pairBytes_.end(), byte) - pairBytes_.begin();
    return byte + static_cast<int>(pairsBefore);
}

int TEngineText::BytePosition(int editorPosition) const {
    // Pair k starts at editor position pairBytes_[k] + k; count the pairs starting before
    // the position (a position inside a pair counts that pair, so it maps to its byte).
    int k = 0;
    int lo = 0, hi = static_cast<int>(pairBytes_.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (pairBytes_[static_cast<std::size_t>(mid)] + mid < editorPosition)
            lo = mid + 1;
        else
            hi = mid;
    }
    k = lo;
    return editorPosition - k;
}

} // namespace NuvixApp
