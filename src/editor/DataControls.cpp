#include "editor/DataControls.h"

#include "framework/DataSource.h"

#include <QImage>
#include <QPixmap>

CFieldLink::CFieldLink(DataSource& source, std::string fieldName)
    : source_(source), fieldName_(std::move(fieldName)),
      listener_(source.AddDataChangeListener([this](const Field* field) { Changed(field); }))
{
}

CFieldLink::~CFieldLink()
{
    source_.RemoveListener(listener_);
}

int CFieldLink::Size() const
{
    DataSet* dataSet = source_.GetDataSet();
    return dataSet ? dataSet->FieldDefs().at(dataSet->FieldIndex(fieldName_)).size : 0;
}

void CFieldLink::Write(FieldValue value)
{
    DataSet* dataSet = source_.GetDataSet();
    if (!dataSet || (dataSet->IsEmpty() && dataSet->State() == DataSetState::Browse)) {
        return;
    }
    writing_ = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{writing_};
    dataSet->Edit();
    dataSet->FieldByName(fieldName_).SetValue(std::move(value));
}

void CFieldLink::Changed(const Field* field)
{
    // The control already shows what the user typed; showing it again would move the cursor.
    if (writing_ || (field && field->Name() != fieldName_) || !OnShow) {
        return;
    }
    DataSet* dataSet = source_.GetDataSet();
    if (dataSet) {
        OnShow(dataSet->FieldByName(fieldName_));
    }
}

TDBEdit::TDBEdit(DataSource& source, const std::string& fieldName, QWidget* parent)
    : QLineEdit(parent), link_(source, fieldName)
{
    if (const int size = link_.Size(); size > 0) {
        setMaxLength(size);
    }
    link_.OnShow = [this](const Field& field) {
        setText(QString::fromStdString(field.AsString()));
        setCursorPosition(0);
    };
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& text) { link_.Write(text.toStdString()); });
}

void TDBEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (OnExit) {
        OnExit();
    }
}

TDBCheckBox::TDBCheckBox(DataSource& source, const std::string& fieldName, const QString& caption,
                         QWidget* parent)
    : QCheckBox(caption, parent), link_(source, fieldName)
{
    link_.OnShow = [this](const Field& field) {
        const QSignalBlocker quiet(this);
        setChecked(field.AsBoolean());
    };
    connect(this, &QCheckBox::clicked, this, [this](bool checked) { link_.Write(checked); });
}

TDBImage::TDBImage(DataSource& source, const std::string& fieldName, QWidget* parent)
    : QLabel(parent), link_(source, fieldName)
{
    setAlignment(Qt::AlignCenter);
    link_.OnShow = [this](const Field& field) {
        const Blob& bytes = field.AsBlob();
        QImage picture = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
        // A large picture is shown whole, made smaller; a small one at its own size.
        if (picture.width() > width() || picture.height() > height()) {
            picture = picture.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        setPixmap(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
    };
}
