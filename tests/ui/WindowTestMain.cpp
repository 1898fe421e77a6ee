// The window tests: each group runs in turn in one process.
#include <QApplication>

int RunPanelTests(int argc, char** argv);
int RunMainFormTests(int argc, char** argv);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A test that fails by aborting ends the run at once instead of waiting for a
    // debugger to print a stack.
    qputenv("QTEST_DISABLE_STACK_DUMP", "1");
    QApplication app(argc, argv);
    int failed = RunPanelTests(argc, argv);
    failed += RunMainFormTests(argc, argv);
    return failed == 0 ? 0 : 1;
}
