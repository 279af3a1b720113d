#include <gtest/gtest.h>

#include "ResourceTestSupport.h"
#include "resources/Resource.h"
#include "resources/ResourceLoader.h"

namespace BV {
namespace {

using restest::ResourceTest;

// A loader of plain resources that counts what happens to them; its load
// fails until told otherwise.
struct Counts {
    int created = 0;
    int loads = 0;
    int destroyed = 0;
    int loadersDeleted = 0;
    bool loadSucceeds = false;
};

class CountingLoader : public ResourceLoader {
public:
    explicit CountingLoader(Counts& counts) : counts(counts) {}
    ~CountingLoader() override { ++counts.loadersDeleted; }
    Resource* createResource() override
    {
        ++counts.created;
        return new Resource(this);
    }
    void load(Resource* resource) override
    {
        ++counts.loads;
        resource->setState(counts.loadSucceeds ? Resource::LOADED : Resource::FAILED);
    }
    void destroyResource(Resource* resource) override
    {
        ++counts.destroyed;
        delete resource;
    }

private:
    Counts& counts;
};

// The counts outlive TearDown, which deletes the loaders that write to them.
class ManagerTest : public ResourceTest {
protected:
    Counts counts;
};

TEST_F(ResourceTest, TheGameLoadersServeLowerCaseExtensionsOnly)
{
    for (const char* extension : {"frag", "vert", "shdr", "bmp", "dds", "gif", "jpg", "jpeg", "raw", "tga", "png",
                                  "mmat", "mesh", "xcm", "tex"}) {
        EXPECT_NE(manager()->getLoader(extension), nullptr) << extension;
    }
    EXPECT_EQ(manager()->getLoader("bmp"), manager()->getLoader("png"));
    EXPECT_EQ(manager()->getLoader("frag"), manager()->getLoader("vert"));
    EXPECT_NE(manager()->getLoader("png"), manager()->getLoader("tex"));
    EXPECT_EQ(manager()->getLoader("DDS"), nullptr);

    testkit::LogWatch watch;
    EXPECT_EQ(manager()->getResource("resources/textures/sky.DDS"), nullptr);
    EXPECT_EQ(manager()->getResource("resources/textures/sky."), nullptr);
    const std::vector<std::string> expected = {"CRITICAL :Could not find Loader for resources/textures/sky.DDS",
                                               "CRITICAL :Could not find Loader for resources/textures/sky."};
    EXPECT_EQ(watch.criticalLines(), expected);
}

TEST_F(ManagerTest, NamesAreRoutedByTheirLastDotAndCachedByExactSpelling)
{
    auto* loader = new CountingLoader(counts);
    manager()->registerLoader("plain", loader);
    manager()->registerLoader("b/c", loader);

    Resource* plain = manager()->getResource("plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->getLoader(), loader);
    EXPECT_EQ(plain->getName(), "plain");
    EXPECT_EQ(plain->getState(), Resource::NOT_LOADED);
    EXPECT_EQ(manager()->getResource("plain"), plain);
    // The last dot decides, even inside a directory name.
    EXPECT_NE(manager()->getResource("dir.v2/a.b/c"), nullptr);
    EXPECT_NE(manager()->getResource("./dir.v2/a.b/c"), manager()->getResource("dir.v2/a.b/c"));
    EXPECT_EQ(counts.created, 3);
    EXPECT_EQ(counts.loads, 0) << "a request must never load";
    EXPECT_EQ(loader->getResources().size(), 3u);
}

TEST_F(ResourceTest, SecondRegistrationOfAnExtensionIsRefusedAndTheFirstKept)
{
    Counts first;
    Counts second;
    auto* kept = new CountingLoader(first);
    CountingLoader refused(second);
    manager()->registerLoader("thing", kept);
    testkit::LogWatch watch;
    manager()->registerLoader("thing", &refused);
    EXPECT_EQ(watch.criticalLines(),
              std::vector<std::string>{"CRITICAL :There is already a Loader registered for thing"});
    EXPECT_EQ(manager()->getLoader("thing"), kept);
}

TEST_F(ManagerTest, DisposeAllDestroysEveryResourceAndEachLoaderOnce)
{
    auto* loader = new CountingLoader(counts);
    manager()->registerLoader("one", loader);
    manager()->registerLoader("two", loader);
    manager()->getResource("a.one");
    manager()->getResource("b.two");

    manager()->disposeAll();
    EXPECT_EQ(counts.destroyed, 2);
    EXPECT_EQ(counts.loadersDeleted, 1);
    EXPECT_EQ(manager()->getLoader("one"), nullptr);

    testkit::LogWatch watch;
    EXPECT_EQ(manager()->getResource("a.one"), nullptr);
    EXPECT_EQ(manager()->getResource("resources/shader/x.vert"), nullptr);
    EXPECT_EQ(watch.criticalLines().size(), 2u);
    EXPECT_EQ(watch.criticalLines()[1], "CRITICAL :Could not find Loader for resources/shader/x.vert");
}

TEST_F(ManagerTest, EnsureLoadedRetriesAFailedResourceUntilItLoads)
{
    manager()->registerLoader("retry", new CountingLoader(counts));
    Resource* resource = manager()->getResource("x.retry");

    EXPECT_EQ(resource->ensureLoaded(), Resource::FAILED);
    EXPECT_EQ(resource->ensureLoaded(), Resource::FAILED);
    counts.loadSucceeds = true;
    EXPECT_EQ(resource->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(resource->ensureLoaded(), Resource::LOADED);
    EXPECT_EQ(counts.loads, 3);
    EXPECT_EQ(manager()->getResource("x.retry"), resource) << "a failed resource stays cached";
}

} // namespace
} // namespace BV
