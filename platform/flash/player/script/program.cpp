#include "platform/flash/player/script/program.h"

#include <algorithm>

#include "platform/flash/format/reader.h"

namespace flash {

Program::Program(std::shared_ptr<const std::vector<uint8_t>> code, size_t start, size_t end,
                 size_t jump_lo, size_t jump_hi, int version)
    : code_(std::move(code)), version_(version) {
  size_t size = code_ ? code_->size() : 0;
  end_ = std::min(end, size);
  start_ = std::min(start, end_);
  lo_ = std::min(jump_lo == SIZE_MAX ? start_ : jump_lo, start_);
  hi_ = std::min(std::max(jump_hi, end_), size);
  if (hi_ - lo_ <= (1u << 16)) dense_.assign(hi_ - lo_, 0);
}

const Action* Program::At(size_t pc) {
  if (pc >= hi_ || pc < lo_ || pc == end_) return nullptr;
  if (!dense_.empty()) {
    uint32_t& slot = dense_[pc - lo_];
    if (slot == UINT32_MAX) return nullptr;
    if (slot) return actions_[slot - 1].get();
    auto a = std::make_unique<Action>();
    if (!Decode(pc, *a)) {
      slot = UINT32_MAX;
      return nullptr;
    }
    actions_.push_back(std::move(a));
    slot = static_cast<uint32_t>(actions_.size());
    return actions_.back().get();
  }
  auto it = at_.find(pc);
  if (it != at_.end()) return it->second == SIZE_MAX ? nullptr : actions_[it->second].get();
  auto a = std::make_unique<Action>();
  if (!Decode(pc, *a)) {
    at_.emplace(pc, SIZE_MAX);
    return nullptr;
  }
  actions_.push_back(std::move(a));
  at_.emplace(pc, actions_.size() - 1);
  return actions_.back().get();
}

bool Program::Decode(size_t pc, Action& a) const {
  const std::vector<uint8_t>& code = *code_;
  // An action that starts inside the block must end inside it; elsewhere the region bounds it.
  size_t limit = pc >= start_ && pc < end_ ? end_ : hi_;
  uint8_t op = code[pc];
  if (op == 0) return false;
  size_t len = 0, data_at = pc + 1;
  if (op >= 0x80) {
    if (pc + 3 > limit) return false;
    len = code[pc + 1] | code[pc + 2] << 8;
    data_at = pc + 3;
    if (data_at + len > limit) return false;
  }
  a.op = op;
  a.offset = static_cast<uint32_t>(pc);
  a.next = static_cast<uint32_t>(data_at + len);
  Reader r(code.data() + data_at, len);
  try {
    switch (op) {
      case 0x81:  // GotoFrame
        a.u1 = r.U16();
        break;
      case 0x83:  // GetURL
        a.s1 = r.CString();
        a.s2 = r.CString();
        break;
      case 0x8A:  // WaitForFrame
        a.u1 = r.U16();
        a.u2 = r.U8();
        break;
      case 0x8B:  // SetTarget
      case 0x8C:  // GotoLabel
        a.s1 = r.CString();
        break;
      case 0x8D:  // WaitForFrame2
        a.u2 = r.U8();
        break;
      case 0x9A:  // GetURL2
        a.u1 = r.U8();
        break;
      case 0x9F:  // GotoFrame2
        a.u1 = r.U8();
        a.u2 = (a.u1 & 0x02) ? r.U16() : 0;
        break;
      case 0x87:  // StoreRegister
        a.u1 = r.U8();
        break;
      case 0x94:  // With: the size of its block
        a.u1 = r.U16();
        break;
      case 0x99:    // Jump
      case 0x9D: {  // If
        int64_t t = static_cast<int64_t>(a.next) + r.S16();
        a.target = InRegion(t) ? t : -1;
        break;
      }
      case 0x96: {  // Push
        while (!r.AtEnd()) {
          PushItem item;
          uint8_t type = r.U8();
          switch (type) {
            case 0: item.value = Value::String(r.CString()); break;
            case 1: item.value = Value::Number(r.F32()); break;
            case 2: item.value = Value::Null(); break;
            case 3: item.value = Value::Undefined(); break;
            case 4:
              item.kind = PushItem::Kind::Register;
              item.index = r.U8();
              break;
            case 5: item.value = Value::Bool(r.U8() != 0); break;
            case 6: item.value = Value::Number(r.ActionDouble()); break;
            case 7: item.value = Value::Number(r.S32()); break;
            case 8:
              item.kind = PushItem::Kind::Constant;
              item.index = r.U8();
              break;
            case 9:
              item.kind = PushItem::Kind::Constant;
              item.index = r.U16();
              break;
            default: throw FormatError("bad push type");
          }
          a.pushes.push_back(std::move(item));
        }
        break;
      }
      case 0x88: {  // ConstantPool
        auto pool = std::make_shared<std::vector<std::string>>();
        uint16_t count = r.U16();
        for (uint16_t i = 0; i < count; ++i) pool->push_back(r.CString());
        a.pool = std::move(pool);
        break;
      }
      case 0x9B:    // DefineFunction
      case 0x8E: {  // DefineFunction2
        auto f = std::make_shared<ScriptFunctionCode>();
        f->name = r.CString();
        uint16_t params = r.U16();
        f->v2 = op == 0x8E;
        if (f->v2) {
          f->register_count = r.U8();
          f->flags = r.U16();
          for (uint16_t i = 0; i < params; ++i) {
            ScriptFunctionCode::Param p;
            p.reg = r.U8();
            p.name = r.CString();
            f->params.push_back(std::move(p));
          }
        } else {
          for (uint16_t i = 0; i < params; ++i) f->params.push_back({0, r.CString()});
        }
        uint16_t body = r.U16();
        // The body follows the action; it must fit where the action itself had to fit.
        if (a.next + static_cast<size_t>(body) > limit) return false;
        f->code = code_;
        f->start = a.next;
        f->end = a.next + body;
        f->version = std::max(version_, 5);  // functions exist from version 5 on
        a.next += body;
        a.function = std::move(f);
        break;
      }
      case 0x8F: {  // Try
        uint8_t flags = r.U8();
        uint16_t try_size = r.U16(), catch_size = r.U16(), finally_size = r.U16();
        a.u1 = flags;
        if (flags & 0x04)
          a.u2 = r.U8();  // catch register
        else
          a.s1 = r.CString();
        // The try, catch and finally blocks follow the action one after the other.
        a.catch_at = a.next + try_size;
        a.finally_at = a.catch_at + catch_size;
        a.try_end = a.finally_at + finally_size;
        if (a.try_end > limit) return false;
        break;
      }
      default: break;  // actions without operands, and unknown ones (skipped by their length)
    }
  } catch (const FormatError&) {
    a.bad = true;
  }
  return true;
}

}  // namespace flash
