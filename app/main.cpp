#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Tarvo Resource Manager");
    window.resize(900, 600);
    window.show();
    return application.exec();
}
