#pragma once

// Command numbers of the editor. The file commands keep the numbers the document type has
// always used; the program's own commands start at 32771. Toolbar icons and prompts are looked
// up by these numbers.
enum CommandId : int {
    ID_ACHTELNOTE = 32771,
    ID_VIERTELNOTE = 32773,
    ID_HALBE_NOTE = 32774,
    ID_GANZE_NOTE = 32775,
    ID_ACHTELPAUSE = 32776,
    ID_VIERTELPAUSE = 32777,
    ID_HALBE_PAUSE = 32778,
    ID_GANZE_PAUSE = 32779,
    ID_LOESCHEN = 32780,
    ID_LIED_SPIELEN = 32783,
    ID_LIED_STOPPEN = 32784,
    ID_LIED_GENERIEREN = 32785,
    ID_EINSTELLUNGEN = 32787,
    ID_FILE_EXPORT = 32788,
    ID_FILE_TRANSCRIBE = 32789,
    ID_FILE_SING = 32790,
    // Hearing the song at once: preview, its instrument, notes heard as they are set.
    ID_LIED_VORHOEREN = 32820,
    ID_VORHOER_INSTRUMENT = 32821,
    ID_NOTEN_ANHOEREN = 32822,
    ID_MITGELIEFERTE_INSTRUMENTE = 32823,
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
};
