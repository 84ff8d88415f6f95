// krm416x-ctl: the KRM-416X from the command line (see app/ctl/ctl.h and the README).
//
//   krm416x-ctl discover|dump|get|set|backup|restore|diff|firmware [options]

#include "app/ctl/ctl.h"
#include "link/instance_lock.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromLatin1(krm::kCtlProgramName));
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    return krm::ctl::RunCtl(args, std::cout, std::cerr);
}
