// The groups run one after another in one process; the first runs before the
// QApplication exists.
#include <QApplication>

int RunNoApplicationTests(int argc, char** argv);
int RunLayoutTests(int argc, char** argv);
int RunButtonTests(int argc, char** argv);
int RunCopyKeyTests(int argc, char** argv);
int RunShowInfoTests(int argc, char** argv);

int main(int argc, char** argv) {
    // ctest sets the platform; this default lets the program run by hand too.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

    int failed = RunNoApplicationTests(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cardfmt_msgbox_tests"));
    failed += RunLayoutTests(argc, argv);
    failed += RunButtonTests(argc, argv);
    failed += RunCopyKeyTests(argc, argv);
    failed += RunShowInfoTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
