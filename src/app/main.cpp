#include "app/startup.h"

int main(int argc, char** argv) { return ostrel::runOrganizer(argc, argv); }
