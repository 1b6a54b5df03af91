#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <cstdint>

class CommandSet;

// A list of names the user picks from, with the printer's code for each, in the same order.
// A document window sends the code at the index of the chosen name; with nothing chosen,
// the first code.
struct CodedList {
    QStringList names;
    QList<QByteArray> codes;

    void clear() {
        names.clear();
        codes.clear();
    }
    void add(const QString &name, const QByteArray &code) {
        names << name;
        codes << code;
    }
    // The code for a combo box index (-1: nothing chosen). Empty when the list is empty.
    QByteArray codeAt(int index) const {
        if (codes.isEmpty())
            return {};
        return codes.value(index < 0 || index >= codes.size() ? 0 : index);
    }
};

// The printer's programming as the document windows offer it: tax rates, payment methods,
// non-fiscal totalizers and management reports by name, each with the code the printer's
// commands want. Read by the fiscal window; every document window fills its combo boxes
// from it when it is shown.
struct ProgrammingLists {
    // "I", "F", "N" (codes "I ", "F ", "N "), then the ICMS rates ("07,00%", code "TB").
    CodedList icms;
    CodedList iss;
    // Model B: two digits ("01"-"16" unlinked, "51"-"66" linked); model A: the slot letter.
    CodedList linkedPayments;
    CodedList unlinkedPayments;
    // 'E' (inflow) or 'S' (outflow), then two digits (model B) or the slot letter (model A).
    CodedList totalizers;
    // Model A: the slot letters of the linked non-fiscal totalizers, sorted by name, so that
    // they correspond item by item to `linkedPayments`.
    QByteArray linkedTotalizerLetters;
    // Model B: the management reports, coded by their two-digit number.
    CodedList reports;

    void clear();
};

// Reads the printer's programming into `lists` for the model. False as soon as a read fails;
// the lists read before it stay filled, the rest empty.
bool LoadProgrammingLists(CommandSet &commands, uint32_t modelCode, ProgrammingLists &lists);
