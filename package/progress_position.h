#pragma once
// A progress percentage as a bar position: its integer part (truncated, not rounded), within 0..100.
namespace kv::package {

int ProgressPosition(double progress);

}  // namespace kv::package
