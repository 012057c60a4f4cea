#include "compare/gui/CompareLook.h"

namespace compare {

const common::ProgramLook kCompareLook{
    .title = "Compare",
    .iconName = "compare",
    .main = {.clientHeight = 2295,
             .label1 = {120, 120, 1335, 255},
             .label2 = {120, 720, 1335, 255},
             .txtDestino = {120, 960, 3492, 288},
             .cmdExploraDestino = {3720, 960, 252, 252},
             .cmdAcercaDe = {120, 1800, 1212, 372},
             .cmdCancelar = {1920, 1800, 972, 372},
             .runButton = {3000, 1800, 972, 372},
             .runName = "cmdComparar",
             .runCaption = "C&omparar"},
    .progress = {.name = "frmCompare",
                 .caption = "Comparando...",
                 .clientWidth = 5895,
                 .clientHeight = 1935,
                 .file = {120, 840, 5655, 255},
                 .path = {120, 1080, 5655, 255}},
    .about = {.major = VERSION_MAJOR,
              .minor = VERSION_MINOR,
              .revision = VERSION_REVISION,
              .description =
                  "Compara dos copias de una carpeta. Ideal para validar una copia de seguridad "
                  "creada y mantenida por Update u otra herramienta de copia de seguridad "
                  "incremental. V\u00e9ase Create.txt para m\u00e1s informaci\u00f3n.",
              .legalNotice = LEGAL_NOTICE},
};

}  // namespace compare
