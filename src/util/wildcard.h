#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// File-name masks with the semantics of the Windows file finder, which the
// queue, the lists and the cleanup rely on. Case is ignored.
//   *   any run of characters, dots included
//   ?   one character other than a dot; at a dot or at the end of the name a
//       run of ? may also match nothing ("q???" matches "q1")
//   .   followed by nothing, or only by ? and *, matches a dot or the end of
//       the name ("*.?*" matches every name, "????????.???" also "0130q215")
bool MatchesMask(QStringView name, QStringView mask);

// Names of the entries of a folder that match the mask, in the finder's order
// (by name, ignoring case). filesOnly leaves folders out.
QStringList ListMatching(const QString& folder, QStringView mask, bool filesOnly = true);
