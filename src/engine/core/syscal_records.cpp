#include "engine/core/syscal_records.h"

namespace tarvo {

TFileHeader TFileHeader::Decode(ByteReader& in) {
  TFileHeader h;
  h.Magic = in.Bytes<5>();
  h.Reserved5 = in.Bytes<42>();
  h.Operator = in.Bytes<32>();
  h.Comments = in.Bytes<48>();
  h.AbsValues = in.U8();
  h.Alpha = in.I32();
  h.Reserved132 = in.Bytes<10>();
  h.DocType = in.I16();
  h.VueType = in.I16();
  h.FileStatus = in.I16();
  h.Reserved148 = in.U8();
  return h;
}

void TFileHeader::Encode(ByteWriter& out) const {
  out.Bytes(Magic);
  out.Bytes(Reserved5);
  out.Bytes(Operator);
  out.Bytes(Comments);
  out.U8(AbsValues);
  out.I32(Alpha);
  out.Bytes(Reserved132);
  out.I16(DocType);
  out.I16(VueType);
  out.I16(FileStatus);
  out.U8(Reserved148);
}

TSeqHeader TSeqHeader::Decode(ByteReader& in) {
  TSeqHeader h;
  h.Reserved0 = in.Bytes<2>();
  h.ElectrodeTotal = in.I16();
  h.Reserved4 = in.Bytes<6>();
  h.QuadCount = in.I16();
  h.Title = in.Bytes<10>();
  h.Area = in.F32();
  h.Line = in.F32();
  return h;
}

void TSeqHeader::Encode(ByteWriter& out) const {
  out.Bytes(Reserved0);
  out.I16(ElectrodeTotal);
  out.Bytes(Reserved4);
  out.I16(static_cast<std::int16_t>(QuadCount));
  out.Bytes(Title);
  out.F32(Area);
  out.F32(Line);
}

TElectrode TElectrode::Decode(ByteReader& in) {
  TElectrode e;
  e.Number = in.I16();
  e.X = in.F32();
  e.Y = in.F32();
  e.Z = in.F32();
  e.Reserved14 = in.Bytes<2>();
  return e;
}

void TElectrode::Encode(ByteWriter& out) const {
  out.I16(Number);
  out.F32(X);
  out.F32(Y);
  out.F32(Z);
  out.Bytes(Reserved14);
}

TQuadripole TQuadripole::Decode(ByteReader& in) {
  TQuadripole q;
  q.A = in.I16();
  q.B = in.I16();
  q.M = in.I16();
  q.N = in.I16();
  q.Flag = in.I16();
  q.K = in.F32();
  return q;
}

void TQuadripole::Encode(ByteWriter& out) const {
  out.I16(A);
  out.I16(B);
  out.I16(M);
  out.I16(N);
  out.I16(Flag);
  out.F32(K);
}

TSyscalRecord TSyscalRecord::Decode(ByteReader& in) {
  TSyscalRecord r = DecodeOld(in);
  r.Reserved10 = in.Bytes<8>();
  return r;
}

TSyscalRecord TSyscalRecord::DecodeOld(ByteReader& in) {
  TSyscalRecord r;
  r.V = in.F32();
  r.I = in.F32();
  r.Dev = in.I16();
  return r;
}

void TSyscalRecord::Encode(ByteWriter& out) const {
  out.F32(V);
  out.F32(I);
  out.I16(Dev);
  out.Bytes(Reserved10);
}

}  // namespace tarvo
