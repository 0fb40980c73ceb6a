// The baseline: the least a Qt Widgets program of the same shape costs. A window of the same outer
// size, a menu bar of five entries and one word-wrapped label of 900 characters; no embedded
// fonts, no picture, no style of its own.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* bar = new QMenuBar(&window);
    bar->addMenu(QStringLiteral("&Arquivo"))->addAction(QStringLiteral("&Sair"));
    bar->addAction(QStringLiteral("A&nterior"));
    bar->addAction(QStringLiteral("&Próximo"));
    bar->addAction(QStringLiteral("&Hoje"));
    bar->addMenu(QStringLiteral("Aj&uda"))->addAction(QStringLiteral("&Sobre"));
    layout->setMenuBar(bar);

    const QString sentence = QStringLiteral(
        "Cada manhã traz uma página nova, e quem a lê com calma encontra nela o que precisa para o dia. ");
    QString text;
    while (text.size() < 900)
        text += sentence;
    text.truncate(900);
    auto* label = new QLabel(text, &window);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(label);

    // The same client size as the program's window, so both frames come to the same outer size.
    window.resize(608, 443);
    window.show();
    return QApplication::exec();
}
