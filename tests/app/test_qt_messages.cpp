// The message routine the application installs: a message box on the UI thread, also when a
// worker thread asks, which then waits for the user's answer.
#include "app/qt_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

class TestQtMessages : public QObject {
    Q_OBJECT

    // Answers the next message box by pressing the button with `text`, and notes what it saw.
    void answerWith(const QString &buttonText) {
        auto *timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [=, this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || !box->isVisible())
                    continue;
                seenText = box->text();
                seenCaption = box->windowTitle();
                for (QAbstractButton *b : box->buttons())
                    if (b->text() == buttonText)
                        b->click();
                timer->deleteLater();
                return;
            }
        });
        timer->start(10);
    }

    QString seenText, seenCaption;

private slots:
    void questionFromAWorkerWaitsForTheAnswer() {
        QtMessages messages;
        answerWith(QStringLiteral("Sim"));
        MessageAnswer answer = MessageAnswer::Ok;
        std::atomic<bool> done = false; // polled here while the worker sets it
        std::thread worker([&] {
            answer =
                messages.show({QStringLiteral("Confirma a Redução Z?"), QStringLiteral("Atenção"),
                               MessageButtons::YesNo, MessageStyle::Question});
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
        worker.join();
        QCOMPARE(answer, MessageAnswer::Yes);
        QCOMPARE(seenText, QStringLiteral("Confirma a Redução Z?"));
        QCOMPARE(seenCaption, QStringLiteral("Atenção"));
    }

    void okOnTheUiThread() {
        QtMessages messages;
        answerWith(QStringLiteral("OK"));
        QCOMPARE(messages.show({QStringLiteral("ERRO DE COMUNICAÇÃO!"), QStringLiteral("Erro"),
                                MessageButtons::Ok, MessageStyle::Error}),
                 MessageAnswer::Ok);
        QCOMPARE(seenCaption, QStringLiteral("Erro"));
    }
};

QTEST_MAIN(TestQtMessages)
#include "test_qt_messages.moc"
