// OBJ models: any bytes loaded by the program's loader from a file (CPU side
// only: copies, welding and normals). A failed model check is the loader's
// designed stop on bad input: here it returns to the target instead of
// aborting, so only real faults end a run.
#include "fuzz/FuzzSupport.h"
#include "tandem1.0/Model/Check.h"
#include "tandem1.0/Model/Model.h"

#include <csetjmp>

namespace {

const char kFileName[] = "fuzz.obj";

jmp_buf checkFailed;

void stopAtCheck(const char*, const char*, int, const char*) {
    longjmp(checkFailed, 1);
}

// Models live until exit in the program; a fuzz run loads millions.
void release(TandemSpace::Model& model) {
    for (Mesh* mesh : model.groups) {
        delete[] mesh->positions;
        delete[] mesh->normals;
        delete[] mesh->texcoords;
        delete[] mesh->indices;
        delete[] mesh->positionIndices;
        delete[] mesh->splits;
        delete mesh;
    }
    model.groups.clear();
    if (model.file) {
        delete[] model.file->data;
        delete model.file;
        model.file = nullptr;
    }
}

// Outside the target's frame, so that it is intact after the jump.
TandemSpace::Model model;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setModelCheckHandler(stopAtCheck);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    writeScratchFile(kFileName, data, size);
    model.file = nullptr;
    if (setjmp(checkFailed) == 0) model.loadModel(kFileName, TandemSpace::MeshUpload::None);
    release(model);
    return 0;
}
