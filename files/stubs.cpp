// Placeholders for the configuration file handlers until they are built.

#include "app/zelvo.h"
#include "files/fileio.h"

FileIO::FileIO(QWidget *parent) : QDialog(parent) {}

void Zelvo::Export_Click() {}
void Zelvo::Import_Click() {}
