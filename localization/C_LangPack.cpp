#include "C_LangPack.h"

TLangList::TLangList(QObject* parent) : QObject(parent) {}

void TLangList::FirstActivation() {
    if (m_started)
        return;
    m_started = true;
}
