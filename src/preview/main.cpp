#include "preview/preview.h"

int main(int argc, char** argv) {
    return dxfprofile::runPreview(argc, argv);
}
