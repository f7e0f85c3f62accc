#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "../tests/scene/test_frames.h"
#include "core/matrix.h"

namespace vimsa {
namespace {

Matrix4 SomePlacement(float t) {
    Vector3 axis{0.3f, 1.0f, 0.2f};
    Matrix4 m = RotationAxisAngle(axis, t);
    m(0, 3) = t;
    m(1, 3) = 2 * t;
    m(2, 3) = -t;
    return m;
}

void BM_MatrixMultiply(benchmark::State& state) {
    Matrix4 a = SomePlacement(0.5f), b = SomePlacement(1.5f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        Matrix4 c = a * b;
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_MatrixMultiply);

void BM_TransformPoint(benchmark::State& state) {
    const Matrix4 a = SomePlacement(0.7f);
    Vector3 p{1, 2, 3};
    for (auto _ : state) {
        benchmark::DoNotOptimize(p);
        Vector4 q = TransformPoint(a, p);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(BM_TransformPoint);

void BM_Inverse(benchmark::State& state) {
    Matrix4 a = SomePlacement(0.9f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        Matrix4 inv = Inverse(a);
        benchmark::DoNotOptimize(inv);
    }
}
BENCHMARK(BM_Inverse);

struct Chain {
    std::vector<std::unique_ptr<testing::TestFrame>> frames;
    Chain() {
        testing::TestFrame* parent = nullptr;
        for (int i = 0; i < 10; ++i) {
            frames.push_back(std::make_unique<testing::TestFrame>(parent));
            parent = frames.back().get();
            parent->SetPosition({1, 0.5f, 0});
            parent->SetOrientation({0.1f, 0, 1}, {0, 1, 0});
        }
    }
    testing::TestFrame& Leaf() { return *frames.back(); }
};

// World matrix of the leaf of a 10-deep chain when everything is cached.
void BM_WorldMatrixChainCached(benchmark::State& state) {
    Chain chain;
    chain.Leaf().GetWorldMatrix();
    for (auto _ : state)
        benchmark::DoNotOptimize(chain.Leaf().GetWorldMatrix());
}
BENCHMARK(BM_WorldMatrixChainCached);

// The root moves every iteration, so all ten world matrices are derived again.
void BM_WorldMatrixChainUncached(benchmark::State& state) {
    Chain chain;
    float x = 0;
    for (auto _ : state) {
        chain.frames.front()->SetPosition({x += 0.001f, 0, 0});
        benchmark::DoNotOptimize(chain.Leaf().GetWorldMatrix());
    }
}
BENCHMARK(BM_WorldMatrixChainUncached);

}  // namespace
}  // namespace vimsa

BENCHMARK_MAIN();
