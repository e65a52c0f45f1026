#pragma once

class QIODevice;
class QLocale;
class QPageSize;

namespace lexiquill::output {

struct StudyList;

// The paper a sheet is printed on where the user lives: US Letter in the countries
// that use it, A4 everywhere else.
QPageSize studySheetPaper(const QLocale& locale);

// Writes the study sheet of a list to device as PDF: its title, the items each with
// its start in bold, the key in large letters and the sentence, on one page of paper
// (a list too long for one page goes on over the next). Needs a QGuiApplication for
// its fonts. Throws platform::PlatformError when the device is not open for writing;
// Qt's PDF writer says nothing of a write that fails later, so a device that can fail
// is checked by its owner (or is a QBuffer, written out afterwards).
void writeStudySheet(QIODevice& device, const StudyList& list, const QPageSize& paper);

}  // namespace lexiquill::output
