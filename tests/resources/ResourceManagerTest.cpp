#include <tuple>

#include "ResourceTestSupport.h"
#include "resources/Resource.h"

namespace BV {
namespace {

struct Counts {
    int created = 0, loads = 0, destroyed = 0, loadersDeleted = 0;
};

class CountingLoader : public ResourceLoader {
public:
    explicit CountingLoader(Counts& counts) : counts(counts) {}
    ~CountingLoader() override { ++counts.loadersDeleted; }
    Resource* createResource() override { return ++counts.created, new Resource(this); }
    void load(Resource*) override { ++counts.loads; }
    void destroyResource(Resource* resource) override { ++counts.destroyed, delete resource; }
    Counts& counts;
};

// The counts outlive TearDown, which deletes the loaders that write to them.
struct ResourceManagerTest : restest::ResourceTest {
    Counts counts;
};

TEST_F(ResourceManagerTest, NamesAreRoutedByTheirLastDotCachedByExactSpellingAndDisposedOnce)
{
    auto* loader = new CountingLoader(counts);
    manager()->registerLoader("plain", loader);
    manager()->registerLoader("b/c", loader);
    Resource* plain = manager()->getResource("plain"); // no dot: the whole name is the extension
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->getLoader(), loader);
    EXPECT_EQ(manager()->getResource("plain"), plain);
    // The last dot decides, even inside a directory name.
    EXPECT_NE(manager()->getResource("dir.v2/a.b/c"), nullptr);
    EXPECT_NE(manager()->getResource("./dir.v2/a.b/c"), manager()->getResource("dir.v2/a.b/c"));
    EXPECT_EQ(counts.created, 3);
    EXPECT_EQ(counts.loads, 0) << "a request must never load";

    Counts other;
    CountingLoader refused(other);
    ResourceLoader* shaders = manager()->getLoader("vert");
    testkit::LogWatch watch;
    manager()->registerLoader("plain", &refused);
    registerLoaders(); // a second call finds its extensions taken and changes nothing
    EXPECT_EQ(manager()->getLoader("plain"), loader);
    EXPECT_EQ(manager()->getLoader("vert"), shaders);
    // A trailing dot asks for the empty extension.
    EXPECT_EQ(manager()->getResource("resources/textures/sky."), nullptr);
    // disposeAll destroys every resource and each loader once, leaving none.
    manager()->disposeAll();
    EXPECT_EQ(std::tie(counts.destroyed, counts.loadersDeleted, other.loadersDeleted), std::tuple(3, 1, 0));
    EXPECT_EQ(manager()->getResource("plain"), nullptr);
    EXPECT_EQ(manager()->getResource("x.png"), nullptr);
    EXPECT_EQ(watch.criticalLines(), (restest::Lines{"CRITICAL :There is already a Loader registered for plain",
                                                     "CRITICAL :Could not find Loader for resources/textures/sky.",
                                                     "CRITICAL :Could not find Loader for plain",
                                                     "CRITICAL :Could not find Loader for x.png"}));
}

} // namespace
} // namespace BV
