#pragma once

#include "framework/DataSet.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <functional>
#include <string>

class DataSource;

// Keeps one field of a data source's current record and a control in step: the control shows the
// field after every record change, and the user's changes put the data set into edit state and
// set the field at once. The record is posted by whoever moves to another record.
class CFieldLink
{
public:
    CFieldLink(DataSource& source, std::string fieldName);
    ~CFieldLink();
    CFieldLink(const CFieldLink&) = delete;
    CFieldLink& operator=(const CFieldLink&) = delete;

    // Runs when the control must show the field anew.
    std::function<void(const Field&)> OnShow;
    // Writes the user's value into the current record; ignored while there is none.
    void Write(FieldValue value);
    // The field's size in characters (text fields).
    int Size() const;

private:
    void Changed(const Field* field);

    DataSource& source_;
    std::string fieldName_;
    int listener_;
    bool writing_ = false;
};

// A one-line edit of a text field; at most the field's size in characters.
class TDBEdit : public QLineEdit
{
    Q_OBJECT
public:
    TDBEdit(DataSource& source, const std::string& fieldName, QWidget* parent = nullptr);

    // Runs when the edit loses the focus.
    std::function<void()> OnExit;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    CFieldLink link_;
};

// A check box of a boolean field.
class TDBCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    TDBCheckBox(DataSource& source, const std::string& fieldName, const QString& caption,
                QWidget* parent = nullptr);

private:
    CFieldLink link_;
};

// Shows the picture a blob field holds (a whole picture file); shows nothing for an empty field or
// bytes that are no picture.
class TDBImage : public QLabel
{
    Q_OBJECT
public:
    TDBImage(DataSource& source, const std::string& fieldName, QWidget* parent = nullptr);

private:
    CFieldLink link_;
};
