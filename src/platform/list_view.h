#pragma once

#include <QString>

namespace lexiquill::platform {

// The list operations the commands use on the word list and the results list.
// Rows and columns are numbered from 1; a row or column that does not exist is a
// PlatformError.
class ListView {
public:
    virtual ~ListView() = default;

    virtual int rowCount() const = 0;
    // Text of column 1 of a row.
    virtual QString text(int row) const = 0;
    // Text of column 2 or further of a row.
    virtual QString subText(int row, int column) const = 0;
    virtual bool checked(int row) const = 0;
    // Appends a row with the given column-1 text and returns its number.
    virtual int append(const QString& text) = 0;
    // The same for a text of Latin-1 characters, which a list may keep without
    // making a QString of it first.
    virtual int appendLatin1(QLatin1StringView text) { return append(QString(text)); }
    virtual void setSubText(int row, int column, const QString& text) = 0;
    virtual void remove(int row) = 0;
    virtual void clear() = 0;
    // The selected row, or 0 when no row is selected.
    virtual int selectedRow() const = 0;
    // Goes up whenever rows go (a removal or a clearing). A command that reads the
    // rows across yields compares it to know they are still the ones it started on.
    virtual quint64 changeCount() const = 0;

    virtual int columnCount() const = 0;
    virtual QString header(int column) const = 0;
    virtual void addColumn(const QString& header) = 0;
    virtual void setColumnWidth(int column, int twips) = 0;
};

}  // namespace lexiquill::platform
