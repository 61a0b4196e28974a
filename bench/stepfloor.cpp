// The floor under reading a STEP part: a bare program that only reads and transfers the file with
// Open CASCADE's STEPControl_Reader, nothing of Tubrix. With "copies IN N OUT" it writes N copies
// of IN's shape side by side into OUT, the large files the reading is timed on.
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRep_Builder.hxx>
#include <Bnd_Box.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Trsf.hxx>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TopoDS_Shape Read(const char* path) {
    STEPControl_Reader reader;
    if (reader.ReadFile(path) != IFSelect_RetDone) {
        return {};
    }
    reader.TransferRoots();
    return reader.OneShape();
}

int Copies(const char* in, int count, const char* out) {
    const TopoDS_Shape shape = Read(in);
    Bnd_Box box;
    BRepBndLib::Add(shape, box);
    const double step = std::sqrt(box.SquareExtent()) * 1.1;
    TopoDS_Compound compound;
    BRep_Builder builder;
    builder.MakeCompound(compound);
    for (int i = 0; i < count; ++i) {
        gp_Trsf move;
        move.SetTranslation(gp_Vec(step * (i % 10), step * (i / 10), 0));
        // A copy of its own, not a placed instance, so the file holds every face over again.
        builder.Add(compound, BRepBuilderAPI_Transform(shape, move, true).Shape());
    }
    STEPControl_Writer writer;
    return writer.Transfer(compound, STEPControl_AsIs) == IFSelect_RetDone &&
                   writer.Write(out) == IFSelect_RetDone
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv) {
    Message::DefaultMessenger()->ChangePrinters().Clear();
    if (argc == 5 && std::string(argv[1]) == "copies") {
        return Copies(argv[2], std::atoi(argv[3]), argv[4]);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_stepfloor FILE.step | copies IN N OUT\n");
        return 2;
    }
    return Read(argv[1]).IsNull() ? 1 : 0;
}
