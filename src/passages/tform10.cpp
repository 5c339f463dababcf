#include "passages/tform10.h"
#include "passages/texts.h"

#include "common/dialogs.h"
#include "common/programdir.h"
#include "db/datafrm.h"
#include "shell/appexit.h"

TForm10::TForm10(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("进出记录"));
    resize(900, 560);
    FormCreate();
}

void TForm10::FormCreate()
{
    // Without the database nothing in the program works: say so and end.
    try {
        if (!Datafrm)
            throw std::runtime_error("no data module");
        Datafrm->con->disconnect();
        Datafrm->con->setDatabase(programdir::databaseFile());
        Datafrm->con->connect();
    } catch (const std::exception &) {
        m_ok = false;
        Dialogs::box(texts::passages::SystemError, texts::passages::WarningCaption, Dialogs::OkOnly,
                     Dialogs::Warning, this);
        appexit::endProgram();
    }
}
