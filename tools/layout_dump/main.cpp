// ralu_layout_dump: shows the layout dump window Form1 (a development aid).
#include "Form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ralu::Form1 form;
    form.show();
    return app.exec();
}
