#include "CCommandStrings.h"

#include <array>

#include "CommandIds.h"

namespace {
struct CommandText {
    int id;
    const char* menuText;
    const char* promptString;
};

constexpr std::array<CommandText, 27> kTexts{{
    {ID_FILE_NEW, "&Neu\tStrg+N", "Erstellt ein neues Dokument.\nNeu"},
    {ID_FILE_OPEN, "Ö&ffnen...\tStrg+O", "Öffnet ein bestehendes Dokument.\nÖffnen"},
    {ID_FILE_SAVE, "S&peichern\tStrg+S", "Speichert das aktive Dokument.\nSpeichern"},
    {ID_FILE_SAVE_AS, "Speichern &unter...",
     "Speichert das aktive Dokument unter neuem Namen.\nSpeichern unter"},
    {ID_FILE_EXPORT, "&Exportieren...",
     "Exportiert das Lied als MusicXML, MIDI, PDF, SVG oder PNG.\nExportieren"},
    {ID_FILE_TRANSCRIBE, "Aus &Aufnahme übernehmen...",
     "Schreibt die Melodie einer Aufnahme (WAV, FLAC, Ogg) als neues Lied.\nAus Aufnahme"},
    {ID_FILE_SING, "Melodie &einsingen...",
     "Nimmt eine gesungene oder gespielte Melodie auf und schreibt sie als neues Lied.\nEinsingen"},
    {ID_FILE_MRU_FILE1, "Letzte Datei", "Öffnet dieses Dokument."},
    {ID_APP_EXIT, "&Beenden",
     "Verläßt die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden"},
    {ID_LIED_GENERIEREN, "&Lied generieren", "Das komponierte Lied generieren\nLied generieren"},
    {ID_LIED_SPIELEN, "Lied &spielen", "Das generierte Lied spielen\nPlay"},
    {ID_LIED_STOPPEN, "Lied s&toppen", "Das Lied stoppen\nStop"},
    {ID_EINSTELLUNGEN, "&Einstellungen", ""},
    {ID_LIED_VORHOEREN, "Lied &vorhören",
     "Spielt das Lied sofort vor, ohne eine Datei zu schreiben\nVorhören"},
    {ID_VORHOER_INSTRUMENT, "Vorhör-&Instrument",
     "Wählt das Instrument für das Vorhören und die gesetzten Noten"},
    {ID_NOTEN_ANHOEREN, "Noten beim Setzen &anhören", "Lässt jede gesetzte Note sofort erklingen"},
    {ID_MITGELIEFERTE_INSTRUMENTE, "&Mitgelieferte Instrumente verwenden",
     "Setzt das Instrumentverzeichnis auf die mitgelieferten Instrumente"},
    {ID_APP_ABOUT, "Inf&o über Kantilo...",
     "Zeigt Programm-Informationen, Versionsnummer und Copyright an.\nInfo"},
    {ID_ACHTELNOTE, "", "Nachfolgende Note ist eine Achtelnote.\nAchtelnote"},
    {ID_VIERTELNOTE, "", "Nachfolgende Note ist eine Viertelnote.\nViertelnote"},
    {ID_HALBE_NOTE, "", "Nachfolgende Note ist eine halbe Note.\nhalbe Note"},
    {ID_GANZE_NOTE, "", "Nachfolgende Note ist eine ganze Note.\nganze Note"},
    {ID_ACHTELPAUSE, "", "Nachfolgende Note ist eine Achtelpause.\nAchtelpause"},
    {ID_VIERTELPAUSE, "", "Nachfolgende Note ist eine Viertelpause.\nViertelpause"},
    {ID_HALBE_PAUSE, "", "Nachfolgende Note ist eine halbe Pause.\nhalbe Pause"},
    {ID_GANZE_PAUSE, "", "Nachfolgende Note ist eine ganze Pause.\nganze Pause"},
    {ID_LOESCHEN, "", "Löscht letzte Note im Notenblatt.\nLöschen"},
}};

const CommandText* Find(int commandId) {
    // The recent-file entries share the prompt of the first one.
    if (commandId > ID_FILE_MRU_FILE1 && commandId < ID_FILE_MRU_FILE1 + 4) {
        commandId = ID_FILE_MRU_FILE1;
    }
    for (const CommandText& text : kTexts) {
        if (text.id == commandId) {
            return &text;
        }
    }
    return nullptr;
}
}  // namespace

QString CCommandStrings::MenuText(int commandId) {
    const CommandText* text = Find(commandId);
    return text ? QString::fromUtf8(text->menuText) : QString();
}

QString CCommandStrings::PromptString(int commandId) {
    const CommandText* text = Find(commandId);
    return text ? QString::fromUtf8(text->promptString) : QString();
}

QString CCommandStrings::Prompt(int commandId) {
    return PromptString(commandId).section(QLatin1Char('\n'), 0, 0);
}

QString CCommandStrings::ToolTip(int commandId) {
    const QString prompt = PromptString(commandId);
    return prompt.contains(QLatin1Char('\n')) ? prompt.section(QLatin1Char('\n'), 1) : QString();
}
