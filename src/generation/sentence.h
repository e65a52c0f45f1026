#pragma once

#include <QString>
#include <QStringList>

namespace lexiquill::generation {

// A phrase's mnemonic words read as one sentence: "Clever Ant Travels".
QString sentenceOf(const QStringList& words);

}  // namespace lexiquill::generation
