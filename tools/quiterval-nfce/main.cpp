// quiterval-nfce: the NFC-e back end from the command line, for the shop's
// technician and accountant.
//
//   quiterval-nfce situacao       the state's service, the contingency queue
//                                 and the series' numbers that need attention
//   quiterval-nfce enviar         sends the contingency queue now
//   quiterval-nfce inutilizar [--serie N] INICIO FIM "JUSTIFICATIVA"
//                                 voids unused numbers with the state
//   quiterval-nfce --help         this use, and the nfce.conf and data folder
//   --config ARQUIVO              another nfce.conf than the program's
//
// It finds nfce.conf and the data folder as the program does.
// Exit status: 0 done, 1 notes left queued or the state refused or did not
// answer, 2 bad use, a configuration error or a request refused unsent.
#include "driver/printer_choice.h"
#include "nfce/store.h"
#include "tools/console/console.h"
#include "tools/quiterval-nfce/commands.h"

#include <iostream>

int main(int argc, char** argv) {
    const qv::console::StandardStreams streams;
    const qv::driver::LibraryChoice choice = qv::driver::choose_library();
    qv::nfce_tool::Places places;
    places.config_file = qv::driver::nfce_config_file(choice);
    places.data_folder = qv::nfce::Store::default_folder();
    if (!choice.nfce)
        places.choice_note =
            "a impressora escolhida não é a NFC-e: " + qv::driver::describe(choice);
    return qv::nfce_tool::run(qv::console::arguments(argc, argv), places, std::cout, std::cerr);
}
