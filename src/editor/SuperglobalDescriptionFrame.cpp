#include "editor/SuperglobalDescriptionFrame.h"

#include "services/Translation.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TSuperglobalDescriptionFrame::TSuperglobalDescriptionFrame(CDBRegistry& registry,
                                                           const TCreateHooks& hooks,
                                                           QWidget* parent)
    : IDescriptionFrame(registry, hooks, nullptr, parent)
{
    auto* label = new QLabel(
        QString::fromStdString(
            Translate("Самостоятельные сочетания это такие сочетания клавиш, подсказка по которым "
                      "отображается всегда, даже если обрабатывающее их приложение не запущенно.")),
        this);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    btnCreate = new QPushButton(
        QString::fromStdString(Translate("Создать самостоятельное сочетание...")), this);
    Button1 = new QPushButton(QString::fromStdString(Translate("Создать приложение...")), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addSpacing(12);
    layout->addWidget(btnCreate, 0, Qt::AlignHCenter);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(btnCreate, &QPushButton::clicked, this, [this] { CallHook(hooks_.CreateShortcut); });
    connect(Button1, &QPushButton::clicked, this, [this] { CallHook(hooks_.CreateProgram); });
}

void TSuperglobalDescriptionFrame::ShowFrame()
{
    show();
}

void TSuperglobalDescriptionFrame::HideFrame()
{
    hide();
}

void TSuperglobalDescriptionFrame::SetFocus()
{
    btnCreate->setFocus();
}
