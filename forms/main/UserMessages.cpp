#include "forms/main/UserMessages.h"

#include <cstdio>

namespace UserMessages {

namespace {

Presenter& testPresenter() {
    static Presenter current;
    return current;
}

Presenter& standardPresenter() {
    static Presenter current;
    return current;
}

} // namespace

void Show(const QString& text, const QString& title, Icon icon) {
    if (testPresenter()) {
        testPresenter()(title, text, icon);
        return;
    }
    if (standardPresenter()) {
        standardPresenter()(title, text, icon);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
}

void SetPresenter(Presenter p) {
    testPresenter() = std::move(p);
}

void SetStandardPresenter(Presenter p) {
    standardPresenter() = std::move(p);
}

} // namespace UserMessages
